#include "options/OptionsFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool isBlank(int c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The leading decimal number of a text: blanks, an optional sign, digits with an optional
// fraction. A text without one reads as 0; a number beyond the double range as infinity, so
// that it fits no field.
double leadingNumber(QByteArrayView text) {
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes a '-' of its own; only a digit or a point may follow our sign.
    if (i == text.size() || !(isDigit(text[i]) || text[i] == '.')) {
        return 0.0;
    }
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::invalid_argument) {
        return 0.0;  // a lone point
    }
    if (error == std::errc::result_out_of_range) {
        // Out of range is either too large or too small: only a non-zero digit before the
        // point makes it large.
        bool large = false;
        for (const char* p = first; p != end && *p != '.'; ++p) {
            large = large || *p != '0';
        }
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

double leadingNumber(const QString& text) {
    return leadingNumber(QByteArrayView(text.toLatin1()));
}

double roundHalfToEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5) {
        return 2.0 * std::round(x / 2.0);
    }
    return std::round(x);
}

template <typename Field>
void storeIfItFits(Field& field, QByteArrayView text) {
    const double value = roundHalfToEven(leadingNumber(text));
    if (value >= static_cast<double>(std::numeric_limits<Field>::min()) &&
        value <= static_cast<double>(std::numeric_limits<Field>::max())) {
        field = static_cast<Field>(value);
    }
}

// Reads the file's comma- and line-separated fields in chunks, so that no content, however
// long its lines, costs more than a chunk and one bounded field.
class FieldReader {
public:
    explicit FieldReader(QIODevice* device) : m_device(device) {}

    // The next field into `buffer`. At the end of the file it returns false and leaves `buffer`
    // as it was: a missing value then repeats the one read before it.
    bool next(QByteArray& buffer) {
        while (isBlank(peek())) {
            take();
        }
        if (peek() < 0) {
            return false;
        }
        QByteArray text;
        if (peek() == '"') {
            take();
            // A quoted field runs to its closing quote, across line ends if need be.
            for (int c = take(); c >= 0 && c != '"'; c = take()) {
                keep(text, c);
            }
            skipToFieldEnd(nullptr);
        } else {
            skipToFieldEnd(&text);
        }
        buffer = text;
        return true;
    }

private:
    // No number is longer than this; the rest of an overlong field is read and dropped.
    static constexpr qsizetype kFieldLimit = 64 * 1024;
    static constexpr qint64 kChunk = 64 * 1024;

    int peek() {
        if (m_pos == m_chunk.size()) {
            m_chunk = m_device ? m_device->read(kChunk) : QByteArray();
            m_pos = 0;
        }
        return m_pos < m_chunk.size() ? static_cast<unsigned char>(m_chunk[m_pos]) : -1;
    }

    int take() {
        const int c = peek();
        if (c >= 0) {
            ++m_pos;
        }
        return c;
    }

    static void keep(QByteArray& text, int c) {
        if (text.size() < kFieldLimit) {
            text.append(static_cast<char>(c));
        }
    }

    // Up to and past the comma or line end (CR LF, LF or a lone CR) that closes the field.
    void skipToFieldEnd(QByteArray* text) {
        for (int c = take(); c >= 0; c = take()) {
            if (c == ',' || c == '\n') {
                return;
            }
            if (c == '\r') {
                if (peek() == '\n') {
                    take();
                }
                return;
            }
            if (text) {
                keep(*text, c);
            }
        }
    }

    QIODevice* m_device;
    QByteArray m_chunk;
    qsizetype m_pos = 0;
};

}  // namespace

OptionsRecord& Options() {
    static OptionsRecord record;
    return record;
}

void LoadOptionsFile(OptionsRecord& record, const QString& path) {
    if (!QFileInfo::exists(path)) {
        record.SoundReminder = 0;
        record.MusicCutter = 0;
        return;
    }
    // A file that is there but cannot be opened reads like an empty one: every read fails and
    // every field gets the empty buffer's 0.
    QFile file(path);
    FieldReader reader(file.open(QIODevice::ReadOnly) ? &file : nullptr);
    QByteArray buffer;
    reader.next(buffer);
    storeIfItFits(record.SoundReminder, buffer);
    reader.next(buffer);
    storeIfItFits(record.MusicCutter, buffer);
    reader.next(buffer);
    storeIfItFits(record.CutFrom, buffer);
    reader.next(buffer);
    storeIfItFits(record.CutTo, buffer);
}

bool SaveOptionsFile(const OptionsRecord& record, const QString& path) {
    const QByteArray content = QByteArray::number(record.SoundReminder) + "\r\n" +
                               QByteArray::number(record.MusicCutter) + "\r\n" +
                               QByteArray::number(record.CutFrom) + "\r\n" +
                               QByteArray::number(record.CutTo) + "\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size() && file.flush();
}

qint32 SecondsFromHms(const QString& h, const QString& m, const QString& s) {
    const double total =
        roundHalfToEven(leadingNumber(h) * 3600.0 + leadingNumber(m) * 60.0 + leadingNumber(s));
    constexpr auto kMin = std::numeric_limits<qint32>::min();
    constexpr auto kMax = std::numeric_limits<qint32>::max();
    if (std::isnan(total)) {
        return 0;  // infinite hours against infinite negative minutes
    }
    if (total <= static_cast<double>(kMin)) {
        return kMin;
    }
    if (total >= static_cast<double>(kMax)) {
        return kMax;
    }
    return static_cast<qint32>(total);
}

Hms HmsFromSeconds(qint32 total) {
    // 64-bit, so that hours * 3600 cannot overflow at the ends of the range.
    const qint64 t = total;
    const auto floorDiv = [](qint64 a, qint64 b) { return a / b - (a % b < 0 ? 1 : 0); };
    const qint64 hours = floorDiv(t, 3600);
    const qint64 minutes = floorDiv(t - hours * 3600, 60);
    const qint64 seconds = t - hours * 3600 - minutes * 60;
    return {QString::number(hours), QString::number(minutes), QString::number(seconds)};
}
