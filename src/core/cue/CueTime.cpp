#include "cue/CueTime.h"

#include <QLatin1Char>

namespace {

// Reads a field of `minDigits` to `maxDigits` ASCII digits; -1 when it is not one.
int digitsField(QStringView field, qsizetype minDigits, qsizetype maxDigits) {
    if (field.size() < minDigits || field.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (const QChar c : field) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

}  // namespace

std::optional<CueTime> CueTime::fromText(QStringView text) {
    const qsizetype first = text.indexOf(u':');
    const qsizetype second = first < 0 ? -1 : text.indexOf(u':', first + 1);
    if (second < 0) {
        return std::nullopt;
    }
    const int minutes = digitsField(text.first(first), 1, 3);
    const int seconds = digitsField(text.sliced(first + 1, second - first - 1), 1, 2);
    const int frames = digitsField(text.sliced(second + 1), 1, 2);
    if (minutes < 0 || seconds < 0 || seconds >= 60 || frames < 0 || frames >= kFramesPerSecond) {
        return std::nullopt;
    }
    return CueTime((qint64{minutes} * 60 + seconds) * kFramesPerSecond + frames);
}

qint64 CueTime::toSamples(qint64 sampleRate) const {
    return m_frames * sampleRate / kFramesPerSecond;
}

double CueTime::toSeconds() const {
    return static_cast<double>(m_frames) / static_cast<double>(kFramesPerSecond);
}

QString CueTime::toText() const {
    const qint64 seconds = m_frames / kFramesPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(m_frames % kFramesPerSecond, 2, 10, QLatin1Char('0'));
}
