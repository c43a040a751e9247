#pragma once

// What every fuzz target shares: the entry point libFuzzer (or the replay driver) calls, a check
// that stops the run on a broken invariant, and a reader that hands out the input piece by piece.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The text with every character outside printable ASCII as \uXXXX, so a failure message shows
// exactly which code units were involved.
inline QString visible(const QString& text) {
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != u'\\') {
            out += c;
        } else {
            out += QStringLiteral("\\u%1").arg(static_cast<unsigned>(u), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

inline QString visible(const QStringList& list) {
    QStringList parts;
    for (const QString& item : list) {
        parts << QLatin1Char('[') + visible(item) + QLatin1Char(']');
    }
    return QString::number(list.size()) + QStringLiteral(" items: ") + parts.join(QLatin1Char(' '));
}

// abort() is what libFuzzer records as a crash (and saves the input for); the replay driver
// dies with it as well, so ctest reports the failure.
[[noreturn]] inline void fuzzCheckFailed(const char* file, int line, const char* condition,
                                         const QString& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition,
                 detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                  \
    do {                                                               \
        if (!(condition)) {                                            \
            fuzzCheckFailed(__FILE__, __LINE__, #condition, (detail)); \
        }                                                              \
    } while (false)

// Reads the input front to back; past the end every read gives zeros or nothing.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)) {}

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    std::uint8_t byte() { return atEnd() ? 0 : static_cast<std::uint8_t>(m_bytes.at(m_pos++)); }

    QByteArray rest() {
        const QByteArray tail = m_bytes.mid(m_pos);
        m_pos = m_bytes.size();
        return tail;
    }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

// The bytes as UTF-16 code units, two bytes each (low byte first), so a target also meets text
// that no UTF-8 decoding produces: lone surrogates, U+FFFE, noncharacters.
inline QString codeUnits(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes.at(i));
        const auto high = static_cast<unsigned char>(bytes.at(i + 1));
        text += QChar(static_cast<char16_t>(low | (high << 8)));
    }
    return text;
}
