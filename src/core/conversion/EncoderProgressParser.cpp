#include "conversion/EncoderProgressParser.h"

#include "text/LeadingNumber.h"

#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace {

const QString kDurationMarker = QStringLiteral("Duration: ");
const QString kTimeMarker = QStringLiteral("time=");

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// One part of "HH:MM:SS.ss". The banner writes "25.47," before ", start:", so commas are read
// as digit-group separators and skipped; anything else that is not a plain decimal fails.
std::optional<double> durationPart(QString part) {
    part.remove(QLatin1Char(','));
    part = part.trimmed();
    qsizetype i = 0;
    qsizetype digits = 0;
    while (i < part.size() && isDigit(part.at(i))) {
        ++i;
        ++digits;
    }
    if (i < part.size() && part.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < part.size() && isDigit(part.at(i))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != part.size()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(part, &ok);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

// Whole seconds of "HH:MM:SS.ss", halves to even; 0 (still unknown) when it does not read.
int durationSeconds(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 3) {
        return 0;
    }
    const auto hours = durationPart(parts.at(0));
    const auto minutes = durationPart(parts.at(1));
    const auto seconds = durationPart(parts.at(2));
    if (!hours || !minutes || !seconds) {
        return 0;
    }
    const double total = std::nearbyint(*hours * 3600.0 + *minutes * 60.0 + *seconds);
    if (!(total <= static_cast<double>(std::numeric_limits<int>::max()))) {
        return 0;
    }
    return static_cast<int>(total);
}

// The percentage as a plain decimal to fifteen significant digits, never with an exponent
// (0.00001, not 1e-05). Fifteen digits keep the division's last-bit noise out of the text:
// 7 / 100 * 100 is 7.000000000000001, which must read "7", not "7.00".
QString plainDecimal(double value) {
    if (!std::isfinite(value) || value == 0.0) {
        return QString::number(value);
    }
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    QString text = QString::number(value, 'f', std::clamp(14 - magnitude, 0, 340));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0'))) {
            text.chop(1);
        }
        if (text.endsWith(QLatin1Char('.'))) {
            text.chop(1);
        }
    }
    return text;
}

// Finds every `marker` that has at least one character after it and appends what follows it up
// to the next blank (or the end of the chunk). A marker cut by the chunk's end is not seen; a
// value cut by it is read as far as it goes. Returns whether any marker was found.
bool collectAfterMarker(const QString& chunk, const QString& marker, QString& collected,
                        const std::function<void()>& yield) {
    bool found = false;
    const qsizetype n = chunk.size();
    const QStringView view(chunk);
    for (qsizetype i = 0; i + marker.size() < n; ++i) {
        const bool match = view.mid(i, marker.size()) == marker;
        if (yield) {
            yield();
        }
        if (!match) {
            continue;
        }
        found = true;
        for (qsizetype j = i + marker.size(); j < n && chunk.at(j) != QLatin1Char(' '); ++j) {
            collected += chunk.at(j);
            if (yield) {
                yield();
            }
        }
    }
    return found;
}

}  // namespace

QString nextSpinnerGlyph(const QString& glyph) {
    if (glyph == QLatin1String("-")) {
        return QStringLiteral("\\");
    }
    if (glyph == QLatin1String("\\")) {
        return QStringLiteral("|");
    }
    if (glyph == QLatin1String("|")) {
        return QStringLiteral("/");
    }
    return QStringLiteral("-");
}

EncoderProgressParser::EncoderProgressParser(std::function<void()> yield)
    : m_yield(std::move(yield)) {}

bool EncoderProgressParser::feed(const QString& chunkText, ProgressReport& display) {
    // Our own copy: the yield callback lets the window run, and it may reuse the caller's string.
    const QString chunk = chunkText;
    if (DurationSeconds == 0) {
        QString durationText;
        collectAfterMarker(chunk, kDurationMarker, durationText, m_yield);
        if (!durationText.isEmpty()) {
            DurationSeconds = durationSeconds(durationText);
        }
    }

    QString timeText;
    const bool timeFound = collectAfterMarker(chunk, kTimeMarker, timeText, m_yield);

    // The glyph turns with every chunk, so the label shows activity even when the encoder's
    // chunks carry no time report.
    SpinnerGlyph = nextSpinnerGlyph(SpinnerGlyph);

    bool changed = false;
    // Without a duration the ratio means nothing: keep the display until the banner arrives.
    if (timeFound && DurationSeconds != 0) {
        const double seconds = std::nearbyint(std::max(0.0, leadingNumber(timeText)));
        const double ratio = seconds / DurationSeconds;
        const double percentage = ratio * 100.0;
        display.style = ProgressReport::Style::Ffmpeg;
        display.glyph = SpinnerGlyph;
        if (percentage >= 100.0) {
            display.complete = true;
            display.fraction = 1.0;
            display.pbValue = 100.0;
            display.figure = QStringLiteral("100");
        } else {
            display.complete = false;
            display.fraction = ratio;
            const QString percentText = plainDecimal(percentage).left(4);
            display.pbValue = QLocale::c().toDouble(percentText);
            display.figure = percentText;
        }
        changed = true;
    }

    if (m_yield) {
        m_yield();
    }
    return changed;
}
