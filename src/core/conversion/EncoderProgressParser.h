#pragma once

#include <QString>
#include <functional>

// What the progress display shows: the picture bar's width in twips (5415 when full), the
// progress bar's value (0..100) and the label text.
struct ProgressDisplay {
    static constexpr double kFullBarWidth = 5415.0;
    double barWidth = 0.0;
    double pbValue = 0.0;
    QString label = QStringLiteral("0%");
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
    bool feed(const QString& chunk, ProgressDisplay& display);

    int DurationSeconds = 0;                     // 0 while the duration is unknown
    QString SpinnerGlyph = QStringLiteral("-");  // turns on every chunk: - \ | /

private:
    std::function<void()> m_yield;
};
