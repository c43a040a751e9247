#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// setup.ini keeps the last-used settings by line position, five lines, each value in double
// quotes: the selected indexes of the bit-rate, sample-rate and channel boxes, the output folder
// text, the selected index of the format box. UTF-8, every line ending in CR LF.
QByteArray formatSetupIni(int bitRateIndex, int sampleRateIndex, int channelIndex,
                          const QString& outputFolder, int formatIndex);

struct SetupIniLines {
    QList<QString> values;  // one per line present, at most five
};

// A quoted line's value runs to the LAST quote on the line, so a folder name holding a quote
// comes back whole; an unquoted line is taken trimmed. CR LF, LF and CR all end a line.
SetupIniLines parseSetupIni(const QByteArray& bytes);

// A stored index as a 16-bit integer; nothing when the value is not a whole number or does not
// fit, and the box then keeps its selection.
std::optional<int> setupIndexValue(const QString& value);

// What start-up takes from the lines of a setup.ini: each index only when it is a whole number
// within its box's list (bit rate, sample rate, channels, format), and the output folder as
// written (an empty one means the default folder).
struct RestoredSetup {
    std::optional<int> bitRateIndex;
    std::optional<int> sampleRateIndex;
    std::optional<int> channelIndex;
    std::optional<QString> outputFolder;
    std::optional<int> formatIndex;
};
RestoredSetup restoreSetup(const SetupIniLines& lines);

// Replaces the file with `content`. False when it could not be written.
bool writeSetupIni(const QString& path, const QByteArray& content);
