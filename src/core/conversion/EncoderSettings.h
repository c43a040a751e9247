#pragma once

#include "conversion/VideoSize.h"

#include <QLatin1String>
#include <QString>

// The settings a conversion reads at the moment a file's command is built: the selected format,
// the texts of the parameter boxes, the channel selection and the output folder.
struct EncoderSettings {
    static constexpr int kMp3Format = 8;
    // The sample rate that keeps the source's own; the channel index that keeps its channels.
    static constexpr QLatin1String kSourceRate{"source"};
    static constexpr int kSourceChannels = 2;

    int formatIndex = kMp3Format;  // index in outputFormats() (cmbOF position)
    QString bitRate;               // kbit/s
    QString sampleRate;            // Hz, or kSourceRate
    int channelIndex = 1;          // 0 mono, 1 stereo (the count is index + 1), kSourceChannels
    QString videoBitRate;          // kbit/s
    QString frameRate;             // frames per second
    VideoSize frameSize;           // second stage only
    QString level;                 // FLAC compression level, 0..8
    QString quality;               // Ogg Vorbis quality
    QString vbr;                   // MP3 VBR level 0..9; empty: a constant bit rate
    QString outputFolder;          // ends in the separator when a command is built
    // Outputs named after the whole input name, without its extension and without the time
    // stamp ("-2", "-3" when taken).
    bool keepNames = false;

    // The MP3 format with its presets applied: what the window shows without a setup.ini and
    // what the command line converts with unless told otherwise.
    static EncoderSettings mp3Defaults();

    // Writes the format's presets into the settings, as selecting the format in the window does;
    // an index outside the format list changes nothing.
    void applyPreset(int format);
};
