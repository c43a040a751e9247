#pragma once

// What the two progress targets share: cutting output into chunks and looking at reports.

#include "FuzzCheck.h"

#include "conversion/EncoderProgressParser.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstring>

// The encoder's output cut into chunks, as the runner may receive it:
//   how == 0    the whole output as one chunk (the runner collected several reports in one pass)
//   how == 255  line by line, each line with its '\n' (the usual case)
//   otherwise   chunks of 1..how bytes, at pseudo-random lengths
// Each chunk is then decoded on its own, as the runner does, so a cut may split a UTF-8 sequence.
inline QList<QByteArray> cutIntoChunks(const QByteArray& output, std::uint8_t how) {
    QList<QByteArray> chunks;
    if (how == 0) {
        chunks << output;
        return chunks;
    }
    if (how == 255) {
        qsizetype start = 0;
        while (start < output.size()) {
            const qsizetype newline = output.indexOf('\n', start);
            const qsizetype end = newline < 0 ? output.size() : newline + 1;
            chunks << output.mid(start, end - start);
            start = end;
        }
        return chunks;
    }
    std::uint32_t state = 0x9e3779b9u ^ how;
    for (qsizetype start = 0; start < output.size();) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const qsizetype length = 1 + static_cast<qsizetype>(state % how);
        chunks << output.mid(start, length);
        start += length;
    }
    return chunks;
}

// The activity glyph's turn: -, \, |, / and round again; anything else starts over at -.
inline QString nextGlyph(const QString& glyph) {
    static const QString kTurn = QStringLiteral("-\\|/");
    return QString(kTurn.at((kTurn.indexOf(glyph) + 1) % kTurn.size()));
}

inline QString describe(const ProgressReport& r) {
    static const char* const kStyles[] = {"none", "ffmpeg", "mencoder"};
    return QStringLiteral("%1%2, fraction %3, value %4, figure [%5], glyph [%6]")
        .arg(QLatin1String(kStyles[static_cast<int>(r.style)]))
        .arg(r.complete ? QStringLiteral(" complete") : QString())
        .arg(r.fraction, 0, 'g', 17)
        .arg(r.pbValue, 0, 'g', 17)
        .arg(visible(r.figure))
        .arg(visible(r.glyph));
}

inline bool same(const ProgressReport& a, const ProgressReport& b) {
    // Bit-for-bit: the two parsers run the same arithmetic on the same text.
    return a.style == b.style && a.complete == b.complete &&
           std::memcmp(&a.fraction, &b.fraction, sizeof a.fraction) == 0 &&
           std::memcmp(&a.pbValue, &b.pbValue, sizeof a.pbValue) == 0 && a.figure == b.figure &&
           a.glyph == b.glyph;
}

// What every report says at its end: the glyph of its chunk, the values in range, and a
// complete one full.
inline void checkReportBasics(const ProgressReport& r, ProgressReport::Style style,
                              const QString& glyph) {
    FUZZ_CHECK(r.style == style, describe(r));
    FUZZ_CHECK(r.glyph == glyph, describe(r) + QStringLiteral(" glyph ") + visible(glyph));
    FUZZ_CHECK(std::isfinite(r.fraction) && std::isfinite(r.pbValue), describe(r));
    FUZZ_CHECK(r.fraction >= 0.0 && r.fraction <= 1.0, describe(r));
    FUZZ_CHECK(r.pbValue >= 0.0 && r.pbValue <= 100.0, describe(r));
    if (r.complete) {
        FUZZ_CHECK(r.fraction == 1.0 && r.pbValue == 100.0 && r.figure == QLatin1String("100"),
                   describe(r));
    }
}
