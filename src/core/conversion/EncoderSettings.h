#pragma once

#include <QString>

// The settings a conversion reads at the moment a file's command is built: the selected format,
// the texts of the parameter boxes, the channel selection and the output folder.
struct EncoderSettings {
    int formatIndex = 8;           // cmbOF position, 0..8 (8 = MP3)
    QString bitRate = "320";       // cmbBR text, kbit/s
    QString sampleRate = "48000";  // cmbR text, Hz
    int channelIndex = 1;          // cmbChannel position: 0 mono, 1 stereo
    QString videoBitRate;          // cmbVB text
    QString frameRate;             // cmbF text
    QString frameSize;             // cmbS text (second stage only)
    QString outputFolder;          // txtPath text, ends in the separator when a command is built
};
