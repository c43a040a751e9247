#include "options/OptionsFile.h"

#include "options/SettingsFile.h"
#include "platform/UsableCores.h"
#include "text/LeadingNumber.h"

#include <QBuffer>
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool isBlank(int c) {
    return c == ' ' || c == '\t';
}

double roundHalfToEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5) {
        return 2.0 * std::round(x / 2.0);
    }
    return std::round(x);
}

template <typename Field>
void storeIfItFits(Field& field, QByteArrayView text) {
    const double value = roundHalfToEven(leadingNumber(QString::fromLatin1(text)));
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

// The fifth value: digits only, within the choices this machine offers; else 0 (not chosen).
qint32 filesAtOnceField(QByteArrayView text) {
    const QByteArrayView digits = text.trimmed();
    const bool whole =
        !digits.isEmpty() && digits.size() <= 4 &&
        std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c >= '0' && c <= '9'; });
    const int value = whole ? digits.toInt() : 0;
    return value <= maxFilesAtOnce() ? value : 0;
}

}  // namespace

int maxFilesAtOnce() {
    return 2 * usableCores();
}

int filesAtOnce(const OptionsRecord& record) {
    return record.FilesAtOnce >= 1 && record.FilesAtOnce <= maxFilesAtOnce() ? record.FilesAtOnce
                                                                             : usableCores();
}

OptionsRecord& Options() {
    static OptionsRecord record;
    return record;
}

void LoadOptionsFile(OptionsRecord& record, const QString& path) {
    // A file that is not there, cannot be read or is no regular file leaves the defaults.
    std::optional<QByteArray> bytes = readSettingsFile(path);
    if (!bytes) {
        record.SoundReminder = 0;
        record.MusicCutter = 0;
        record.FilesAtOnce = 0;
        return;
    }
    QBuffer file(&*bytes);
    file.open(QIODevice::ReadOnly);
    FieldReader reader(&file);
    QByteArray buffer;
    reader.next(buffer);
    storeIfItFits(record.SoundReminder, buffer);
    reader.next(buffer);
    storeIfItFits(record.MusicCutter, buffer);
    reader.next(buffer);
    storeIfItFits(record.CutFrom, buffer);
    reader.next(buffer);
    storeIfItFits(record.CutTo, buffer);
    // Unlike the four, a missing fifth value does not repeat the one before it.
    record.FilesAtOnce = reader.next(buffer) ? filesAtOnceField(buffer) : 0;
}

bool SaveOptionsFile(const OptionsRecord& record, const QString& path) {
    const QByteArray content =
        QByteArray::number(record.SoundReminder) + "\r\n" + QByteArray::number(record.MusicCutter) +
        "\r\n" + QByteArray::number(record.CutFrom) + "\r\n" + QByteArray::number(record.CutTo) +
        "\r\n" +
        (record.FilesAtOnce != 0 ? QByteArray::number(record.FilesAtOnce) + "\r\n" : QByteArray());
    return writeSettingsFile(path, content);
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
