#pragma once

#include "conversion/EncoderProgressParser.h"

#include <QString>
#include <functional>

// Reads the mencoder-style encoder's console output chunk by chunk: it prints its position as a
// percentage in parentheses, right-aligned in three characters ("( 5%)", "(42%)") and "(100%)"
// at the end. The first such figure of a chunk becomes the display.
class VideoProgressParser {
public:
    // `yield` runs after every position examined that is not a figure (the window lets pending
    // events through there; tests leave it empty).
    explicit VideoProgressParser(std::function<void()> yield = {});

    // Parses one chunk: turns `glyph` (shared with the ffmpeg-style parser) and, when the chunk
    // holds a figure, updates `display`. Returns true when it did.
    bool feed(const QString& chunk, ProgressReport& display, QString& glyph);

private:
    std::function<void()> m_yield;
};
