// The mencoder-style progress parser on arbitrary encoder output, cut into arbitrary chunks.
//
// Input: one byte that says how the output is cut (see cutIntoChunks), then the output itself.
// The first two bytes also make a well-formed status line, whose figure must be what is reported.

#include "FuzzCheck.h"
#include "ProgressChecks.h"

#include "conversion/VideoProgressParser.h"

#include <QRegularExpression>

namespace {

// True when the chunk holds a "(" whose ")" comes four or five characters on: only then may a
// chunk change the report.
bool hasFigure(const QString& chunk) {
    for (qsizetype i = chunk.indexOf(QLatin1Char('(')); i >= 0;
         i = chunk.indexOf(QLatin1Char('('), i + 1)) {
        if (chunk.mid(i + 4, 1) == QLatin1String(")") ||
            chunk.mid(i + 5, 1) == QLatin1String(")")) {
            return true;
        }
    }
    return false;
}

// After a figure: the basics, and unless complete a whole percentage 0..100 that is the
// progress bar's value and the bar's share.
void checkFigureReport(const ProgressReport& r, const QString& glyph) {
    checkReportBasics(r, ProgressReport::Style::Mencoder, glyph);
    if (r.complete) {
        return;
    }
    static const QRegularExpression kFigure(QStringLiteral("^(?:0|[1-9][0-9]?|100)$"));
    FUZZ_CHECK(kFigure.match(r.figure).hasMatch(), describe(r));
    const int percent = r.figure.toInt();
    FUZZ_CHECK(r.pbValue == percent && r.fraction == percent / 100.0, describe(r));
}

// "Pos:   3.0s     75f ( 4%) 241.17fps Trem:   0min    0mb", the figure right-aligned in
// three characters, shows that figure; "(100%)" is the end.
void checkWellFormedStatus(FuzzInput& input) {
    const int percent = input.byte() % 101;
    const int frames = input.byte();
    const QString line = QStringLiteral("Pos:   3.0s %1f (%2%) 241.17fps Trem:   0min    0mb\r")
                             .arg(frames, 6)
                             .arg(percent, 2);
    VideoProgressParser parser;
    ProgressReport display;
    QString glyph = QStringLiteral("-");
    FUZZ_CHECK(parser.feed(line, display, glyph), visible(line));
    FUZZ_CHECK(glyph == QLatin1String("\\"), visible(line) + QStringLiteral(" glyph ") + glyph);
    const QString where = visible(line) + QLatin1Char(' ') + describe(display);
    if (percent == 100) {
        FUZZ_CHECK(display.complete, where);
    } else {
        FUZZ_CHECK(!display.complete && display.figure == QString::number(percent), where);
    }
    checkFigureReport(display, glyph);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput header(data, size);
    checkWellFormedStatus(header);

    FuzzInput input(data, size);
    const std::uint8_t how = input.byte();
    const QList<QByteArray> chunks = cutIntoChunks(input.rest(), how);

    // Two parsers on the same chunks; the second one's yield callback throws away the caller's
    // string at its first call, as the window may do while events run.
    VideoProgressParser plain;
    QString callerChunk;
    VideoProgressParser yielding([&callerChunk] {
        if (!callerChunk.isNull()) {
            callerChunk = QString();
        }
    });

    ProgressReport plainReport;
    ProgressReport yieldingReport;
    QString plainGlyph = QStringLiteral("-");
    QString yieldingGlyph = plainGlyph;
    for (const QByteArray& bytes : chunks) {
        const QString chunk = QString::fromUtf8(bytes);
        const ProgressReport before = plainReport;
        const QString glyphBefore = plainGlyph;

        const bool changed = plain.feed(chunk, plainReport, plainGlyph);
        callerChunk = chunk;
        callerChunk.detach();  // its own buffer, so clearing it really frees memory
        const bool yieldingChanged = yielding.feed(callerChunk, yieldingReport, yieldingGlyph);

        const QString where = QStringLiteral("chunk [") + visible(chunk) + QLatin1Char(']');
        FUZZ_CHECK(changed == yieldingChanged, where);
        FUZZ_CHECK(same(plainReport, yieldingReport),
                   where + QLatin1Char(' ') + describe(plainReport) + QStringLiteral(" vs ") +
                       describe(yieldingReport));
        FUZZ_CHECK(plainGlyph == yieldingGlyph, where);
        FUZZ_CHECK(plainGlyph == nextGlyph(glyphBefore),
                   where + QStringLiteral(" glyph ") + plainGlyph);

        FUZZ_CHECK(changed == hasFigure(chunk), where + QStringLiteral(" changed %1").arg(changed));
        if (changed) {
            checkFigureReport(plainReport, plainGlyph);
        } else {
            FUZZ_CHECK(same(plainReport, before), where + QLatin1Char(' ') + describe(before) +
                                                      QStringLiteral(" -> ") +
                                                      describe(plainReport));
        }
    }
    return 0;
}
