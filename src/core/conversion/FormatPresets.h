#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The nine output formats, in the format box's order; index 8 is the audio-only MP3.
const QStringList& formatItems();

// Suggestion lists of the parameter boxes. The boxes are editable: a preset text need not be one
// of these.
const QStringList& bitRateItems();       // kbit/s
const QStringList& sampleRateItems();    // Hz
const QStringList& channelItems();       // index + 1 is the channel count
const QStringList& frameSizeItems();     // first item keeps the source size
const QStringList& videoBitRateItems();  // kbit/s
const QStringList& frameRateItems();     // frames/s

// What selecting a format writes into the parameter boxes. An empty video value means the box
// keeps its text (the audio-only format leaves all three video boxes alone).
struct FormatPreset {
    std::optional<QString> videoBitRate, frameRate, frameSize;
    QString sampleRate, bitRate;
    int channelIndex = 1;
};

// Nothing for an index outside the format list, -1 (no selection) included.
std::optional<FormatPreset> presetFor(int formatIndex);
