#pragma once

#include <QString>

// The settings a conversion reads at the moment a file's command is built: the selected format,
// the texts of the parameter boxes, the channel selection and the output folder.
struct EncoderSettings {
    static constexpr int kMp3Format = 8;

    int formatIndex = kMp3Format;  // cmbOF position, 0..8
    QString bitRate;               // cmbBR text, kbit/s
    QString sampleRate;            // cmbR text, Hz
    int channelIndex = 1;          // cmbChannel position: 0 mono, 1 stereo
    QString videoBitRate;          // cmbVB text
    QString frameRate;             // cmbF text
    QString frameSize;             // cmbS text (second stage only)
    QString outputFolder;          // txtPath text, ends in the separator when a command is built

    // The MP3 format with its presets applied: what the window shows without a setup.ini and
    // what the command line converts with unless told otherwise.
    static EncoderSettings mp3Defaults();

    // Writes the format's presets into the parameter texts, as selecting the format in the
    // window does; an index outside the format list changes nothing.
    void applyPreset(int format);
};
