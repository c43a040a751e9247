// The ffmpeg-style progress parser on arbitrary encoder output, cut into arbitrary chunks.
//
// Input: one byte that says how the output is cut (see cutIntoChunks), then the output itself.
// The first seven bytes also make a well-formed banner and time report, whose reading is
// checked against the arithmetic done here.

#include "FuzzCheck.h"
#include "ProgressChecks.h"

#include "conversion/EncoderProgressParser.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

// True when the chunk holds "time=" with at least one character after it: only then may a
// chunk change the report.
bool hasTimeReport(const QString& chunk) {
    const qsizetype at = chunk.indexOf(QLatin1String("time="));
    return at >= 0 && at + 5 < chunk.size();
}

// What a report may say after a time report: the basics, and unless complete a figure of at
// most four characters (the percentage cut, never rounded up to a longer text, never with an
// exponent) that is the progress bar's value and in step with the bar's share.
void checkTimeReport(const ProgressReport& r, const QString& glyph) {
    checkReportBasics(r, ProgressReport::Style::Ffmpeg, glyph);
    if (r.complete) {
        return;
    }
    static const QRegularExpression kFigure(QStringLiteral("^(?:0|[1-9][0-9]?)(?:\\.[0-9]+)?$"));
    FUZZ_CHECK(kFigure.match(r.figure).hasMatch() && r.figure.size() <= 4, describe(r));
    bool ok = false;
    FUZZ_CHECK(QLocale::c().toDouble(r.figure, &ok) == r.pbValue && ok, describe(r));
    // The value is the percentage cut to four characters: below it by less than the last
    // digit kept (0.1 at most), never above it by more than rounding noise.
    const double percentage = r.fraction * 100.0;
    FUZZ_CHECK(percentage < 100.0, describe(r));
    FUZZ_CHECK(r.pbValue <= percentage + 1e-9 && r.pbValue > percentage - 0.1 - 1e-9, describe(r));
}

// A banner "Duration: HH:MM:SS.cc, start: ..." and a report "time=S.cc": the duration is read
// in whole seconds (halves to even), and the report gives the time's whole seconds against it.
void checkWellFormedReport(FuzzInput& input) {
    const int hours = input.byte() % 100;
    const int minutes = input.byte() % 60;
    const int seconds = input.byte() % 60;
    const int hundredths = input.byte() % 100;
    const double duration =
        std::nearbyint(hours * 3600.0 + minutes * 60.0 + (seconds + hundredths / 100.0));
    // Up to a little past the end, as an encoder's last report can be.
    const int high = input.byte();
    const int low = input.byte();
    const int timeWhole = ((high << 8) | low) % (static_cast<int>(duration) + 3);
    const int timeHundredths = input.byte() % 100;
    const QString banner =
        QStringLiteral("  Duration: %1:%2:%3.%4, start: 0.000000, bitrate: 820 kb/s\n")
            .arg(hours, 2, 10, QLatin1Char('0'))
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(seconds, 2, 10, QLatin1Char('0'))
            .arg(hundredths, 2, 10, QLatin1Char('0'));
    const QString report = QStringLiteral("time=%1.%2 speed=52.9x\n")
                               .arg(timeWhole)
                               .arg(timeHundredths, 2, 10, QLatin1Char('0'));

    EncoderProgressParser parser;
    ProgressReport display;
    FUZZ_CHECK(!parser.feed(banner, display), banner);
    FUZZ_CHECK(parser.DurationSeconds == static_cast<int>(duration),
               banner + QStringLiteral(" read as %1 s").arg(parser.DurationSeconds));
    const bool changed = parser.feed(report, display);
    if (duration == 0.0) {
        FUZZ_CHECK(!changed, banner + report);
        return;
    }
    FUZZ_CHECK(changed, banner + report);
    const double time = std::nearbyint(timeWhole + timeHundredths / 100.0);
    const double ratio = time / duration;
    const QString where = banner + report + describe(display);
    if (ratio >= 1.0) {
        FUZZ_CHECK(display.complete, where);
    } else {
        FUZZ_CHECK(!display.complete && display.fraction == ratio, where);
    }
    checkTimeReport(display, parser.SpinnerGlyph);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput header(data, size);
    checkWellFormedReport(header);

    FuzzInput input(data, size);
    const std::uint8_t how = input.byte();
    const QList<QByteArray> chunks = cutIntoChunks(input.rest(), how);

    // Two parsers on the same chunks. The second one's yield callback throws away the caller's
    // string at its first call, as the window may do while events run: the parser must work
    // on its own copy and come to the same result.
    EncoderProgressParser plain;
    QString callerChunk;
    std::size_t yields = 0;
    EncoderProgressParser yielding([&callerChunk, &yields] {
        ++yields;
        if (!callerChunk.isNull()) {
            callerChunk = QString();
        }
    });

    ProgressReport plainReport;
    ProgressReport yieldingReport;
    for (const QByteArray& bytes : chunks) {
        const QString chunk = QString::fromUtf8(bytes);
        const ProgressReport before = plainReport;
        const int durationBefore = plain.DurationSeconds;
        const QString glyphBefore = plain.SpinnerGlyph;

        const bool changed = plain.feed(chunk, plainReport);
        callerChunk = chunk;
        callerChunk.detach();  // its own buffer, so clearing it really frees memory
        yields = 0;
        const bool yieldingChanged = yielding.feed(callerChunk, yieldingReport);

        const QString where = QStringLiteral("chunk [") + visible(chunk) + QLatin1Char(']');
        FUZZ_CHECK(yields > 0, where);
        FUZZ_CHECK(changed == yieldingChanged, where);
        FUZZ_CHECK(same(plainReport, yieldingReport),
                   where + QLatin1Char(' ') + describe(plainReport) + QStringLiteral(" vs ") +
                       describe(yieldingReport));
        FUZZ_CHECK(plain.DurationSeconds == yielding.DurationSeconds, where);
        FUZZ_CHECK(plain.SpinnerGlyph == yielding.SpinnerGlyph, where);

        // The glyph turns once per chunk; a known duration never changes; an unknown one can
        // only be learned, never turn negative.
        FUZZ_CHECK(plain.SpinnerGlyph == nextGlyph(glyphBefore),
                   where + QStringLiteral(" glyph ") + plain.SpinnerGlyph);
        FUZZ_CHECK(plain.DurationSeconds >= 0, where);
        if (durationBefore != 0) {
            FUZZ_CHECK(plain.DurationSeconds == durationBefore, where);
        }

        // A chunk changes the report exactly when it reports a time and the duration is known.
        FUZZ_CHECK(
            changed == (hasTimeReport(chunk) && plain.DurationSeconds != 0),
            where +
                QStringLiteral(" duration %1 changed %2").arg(plain.DurationSeconds).arg(changed));
        if (changed) {
            checkTimeReport(plainReport, plain.SpinnerGlyph);
        } else {
            FUZZ_CHECK(same(plainReport, before), where + QLatin1Char(' ') + describe(before) +
                                                      QStringLiteral(" -> ") +
                                                      describe(plainReport));
        }
    }
    return 0;
}
