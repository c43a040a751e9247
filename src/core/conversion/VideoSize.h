#pragma once

#include <QString>

// The picture size a video output is asked for: the source's own, or width x height. What a user
// typed that is neither is kept as it was typed, so the refusal can quote it.
struct VideoSize {
    enum class Kind { Source, Size, Invalid };

    Kind kind = Kind::Source;
    int width = 0;
    int height = 0;
    QString typed;  // as it was typed (a size read from text, or an invalid one)

    static VideoSize source() { return VideoSize{}; }
    static VideoSize of(int width, int height) { return VideoSize{Kind::Size, width, height, {}}; }
    // "WIDTHxHEIGHT" in plain digits; anything else is invalid.
    static VideoSize parse(const QString& text);

    bool isSource() const { return kind == Kind::Source; }
    // "640x480"; an invalid size gives its typed text, the source's size nothing.
    QString text() const;

    // Equal when they ask for the same picture (an invalid size by its text).
    bool operator==(const VideoSize& other) const;
};
