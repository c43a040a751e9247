#include "conversion/EncoderSettings.h"

#include "conversion/FormatPresets.h"

EncoderSettings EncoderSettings::mp3Defaults() {
    EncoderSettings settings;
    settings.applyPreset(kMp3Format);
    return settings;
}

void EncoderSettings::applyPreset(int format) {
    const auto preset = presetFor(format);
    if (!preset) {
        return;
    }
    formatIndex = format;
    if (preset->videoBitRate) {
        videoBitRate = *preset->videoBitRate;
    }
    if (preset->frameRate) {
        frameRate = *preset->frameRate;
    }
    if (preset->frameSize) {
        frameSize = *preset->frameSize;
    }
    sampleRate = preset->sampleRate;
    bitRate = preset->bitRate;
    channelIndex = preset->channelIndex;
}
