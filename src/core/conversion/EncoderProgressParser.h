#pragma once

#include <QString>
#include <functional>

// What an encoder's output says of the file's progress: which kind of report it was, whether
// the encoder got to the end, the share of the bar, the progress bar's value and the figure as
// it is to be shown, with the activity glyph of the report. The window makes its words and its
// twips of them; the command line its own line.
struct ProgressReport {
    enum class Style { None, Ffmpeg, Mencoder };
    Style style = Style::None;  // None: nothing reported yet
    bool complete = false;
    double fraction = 0.0;  // of the bar, 0..1
    double pbValue = 0.0;   // 0..100
    QString figure;         // the percentage as shown: "21.9", "5"
    QString glyph;
};

// The activity glyph after `glyph`: "-" -> "\\" -> "|" -> "/" -> "-" (anything else -> "-").
QString nextSpinnerGlyph(const QString& glyph);

// Reads the ffmpeg-style encoder's console output chunk by chunk: the banner's "Duration: " gives
// the length of the input, each "time=" the position reached, and the ratio becomes the display.
class EncoderProgressParser {
public:
    // `yield` runs after every position examined and every character collected (the window lets
    // pending events through there; tests leave it empty).
    explicit EncoderProgressParser(std::function<void()> yield = {});

    // Parses one chunk and updates `display`. Returns true when a time report changed it.
    bool feed(const QString& chunk, ProgressReport& display);

    int DurationSeconds = 0;                     // 0 while the duration is unknown
    QString SpinnerGlyph = QStringLiteral("-");  // turns on every chunk: - \ | /

private:
    std::function<void()> m_yield;
};
