#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <compare>
#include <optional>

// A position in a CUE sheet: whole CD frames, 75 to the second. Positions stay in frames so
// they are exact; samples and seconds are worked out only when asked for.
class CueTime {
public:
    static constexpr qint64 kFramesPerSecond = 75;

    constexpr CueTime() = default;
    static constexpr CueTime fromFrames(qint64 frames) { return CueTime(frames); }

    // "mm:ss:ff": minutes (one to three digits), seconds below 60 and frames below 75 (one or
    // two digits each). Anything else gives nothing.
    static std::optional<CueTime> fromText(QStringView text);

    constexpr qint64 frames() const { return m_frames; }
    // frames * rate / 75, rounded down: exact for every rate that is a multiple of 75 (44100,
    // 48000, 88200, 96000, ...).
    qint64 toSamples(qint64 sampleRate) const;
    double toSeconds() const;
    QString toText() const;  // "mm:ss:ff"

    constexpr CueTime operator-(CueTime other) const { return CueTime(m_frames - other.m_frames); }
    constexpr auto operator<=>(const CueTime&) const = default;

private:
    constexpr explicit CueTime(qint64 frames) : m_frames(frames) {}

    qint64 m_frames = 0;
};
