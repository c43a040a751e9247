#include "conversion/EncoderSettings.h"

#include "conversion/OutputFormat.h"

EncoderSettings EncoderSettings::mp3Defaults() {
    EncoderSettings settings;
    settings.applyPreset(kMp3Format);
    return settings;
}

void EncoderSettings::applyPreset(int format) {
    const OutputFormat* row = outputFormat(format);
    if (!row) {
        return;
    }
    const FormatPreset& preset = row->preset;
    formatIndex = format;
    const auto write = [](QString& setting, const std::optional<QString>& value) {
        if (value) {
            setting = *value;
        }
    };
    write(videoBitRate, preset.videoBitRate);
    write(frameRate, preset.frameRate);
    if (preset.frameSize) {
        frameSize = *preset.frameSize;
    }
    write(sampleRate, preset.sampleRate);
    write(bitRate, preset.bitRate);
    channelIndex = preset.channelIndex;
    write(level, preset.level);
    write(quality, preset.quality);
    write(vbr, preset.vbr);
}
