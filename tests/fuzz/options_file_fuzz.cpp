// options.ini as start-up reads it, from a real file (the loader only takes regular files).
//
// Input: the file's content. Its first fourteen bytes also make a well-formed file: four values
// (two 16-bit, two 32-bit) laid out in one of the ways a hand-edited file may have them.

#include "FuzzCheck.h"

#include "options/OptionsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <iterator>
#include <memory>

namespace {

QString describe(const OptionsRecord& r) {
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(r.SoundReminder)
        .arg(r.MusicCutter)
        .arg(r.CutFrom)
        .arg(r.CutTo)
        .arg(r.FilesAtOnce);
}

bool same(const OptionsRecord& a, const OptionsRecord& b) {
    return a.SoundReminder == b.SoundReminder && a.MusicCutter == b.MusicCutter &&
           a.CutFrom == b.CutFrom && a.CutTo == b.CutTo && a.FilesAtOnce == b.FilesAtOnce;
}

// One folder for the whole run; the same two files are rewritten for every input. Where there
// is a memory-backed folder it is used: on a disk the writes, not the parser, set the pace (ten
// times slower here).
QTemporaryDir* makeFolder() {
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    if (memory.isDir() && memory.isWritable()) {
        auto* dir = new QTemporaryDir(QStringLiteral("/dev/shm/vordana-fuzz-XXXXXX"));
        if (dir->isValid()) {
            return dir;
        }
        delete dir;
    }
    return new QTemporaryDir();
}

const QTemporaryDir& folder() {
    static const std::unique_ptr<QTemporaryDir> dir(makeFolder());
    if (!dir->isValid()) {
        fuzzCheckFailed(__FILE__, __LINE__, "dir->isValid()", dir->errorString());
    }
    return *dir;
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(content) == content.size() && file.flush();
    FUZZ_CHECK(written, path + QStringLiteral(": ") + file.errorString());
}

OptionsRecord loaded(const OptionsRecord& start, const QString& path) {
    OptionsRecord record = start;
    LoadOptionsFile(record, path);
    return record;
}

template <typename Field>
Field take(FuzzInput& input) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < sizeof(Field); ++i) {
        bits = (bits << 8) | input.byte();
    }
    return static_cast<Field>(bits);
}

// The values as a file: separated by CR LF, LF, CR, commas or commas with blanks around, some
// in quotes, some with a fraction that rounds to them, with or without a line end at the end.
void checkWellFormedFile(FuzzInput& input, const QString& path) {
    OptionsRecord values;
    values.SoundReminder = take<qint16>(input);
    values.MusicCutter = take<qint16>(input);
    values.CutFrom = take<qint32>(input);
    values.CutTo = take<qint32>(input);
    const std::uint8_t style = input.byte();   // quotes and fractions, four bits each
    const std::uint8_t layout = input.byte();  // the separator, the line end at the end
    static const char* const kSeparators[] = {"\r\n", "\n", "\r", ",", " , ", "\t,\t"};
    const auto text = [style](qint64 value, int field) {
        QByteArray number = QByteArray::number(value);
        if ((style >> (4 + field)) & 1) {
            // Rounds to the nearest whole number, so x.4 and -x.4 come back as x and -x.
            number += ".4";
        }
        if ((style >> field) & 1) {
            number = '"' + number + '"';
        }
        return number;
    };
    const QByteArray separator = kSeparators[layout % std::size(kSeparators)];
    const QByteArray content = "  " + text(values.SoundReminder, 0) + separator +
                               text(values.MusicCutter, 1) + separator + text(values.CutFrom, 2) +
                               separator + text(values.CutTo, 3) + (layout & 0x80 ? "\r\n" : "");
    writeFile(path, content);
    const OptionsRecord back = loaded(OptionsRecord{-21, -22, -23, -24}, path);
    FUZZ_CHECK(same(back, values), visible(QString::fromLatin1(content)) +
                                       QStringLiteral(" read as ") + describe(back));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = folder().filePath(QStringLiteral("options.ini"));
    const QString savedPath = folder().filePath(QStringLiteral("saved.ini"));
    writeFile(path, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));

    // A field the file does not fill keeps what the record held, so start from two records
    // that differ in every field.
    constexpr OptionsRecord kFirst{11, 12, 13, 14};
    constexpr OptionsRecord kSecond{-21, -22, -23, -24};
    const OptionsRecord first = loaded(kFirst, path);
    const OptionsRecord second = loaded(kSecond, path);

    // Each field is either read from the file (the same from both starts) or left as it was.
    const auto checkField = [&](auto OptionsRecord::*field, const char* name) {
        const bool read = first.*field == second.*field;
        const bool kept = first.*field == kFirst.*field && second.*field == kSecond.*field;
        FUZZ_CHECK(read || kept, QString::fromLatin1(name) + QStringLiteral(": ") +
                                     describe(first) + QStringLiteral(" / ") + describe(second));
    };
    checkField(&OptionsRecord::SoundReminder, "SoundReminder");
    checkField(&OptionsRecord::MusicCutter, "MusicCutter");
    checkField(&OptionsRecord::CutFrom, "CutFrom");
    checkField(&OptionsRecord::CutTo, "CutTo");
    // The files at once are always read: a choice this machine offers, or 0.
    FUZZ_CHECK(first.FilesAtOnce == second.FilesAtOnce && first.FilesAtOnce >= 0 &&
                   first.FilesAtOnce <= maxFilesAtOnce(),
               describe(first) + QStringLiteral(" / ") + describe(second));

    // Reading the file again changes nothing.
    const OptionsRecord twice = loaded(first, path);
    FUZZ_CHECK(same(twice, first), describe(first) + QStringLiteral(" -> ") + describe(twice));

    // What was read survives saving and reading back, whatever the record held before.
    FUZZ_CHECK(SaveOptionsFile(first, savedPath), savedPath);
    const OptionsRecord back = loaded(kSecond, savedPath);
    FUZZ_CHECK(same(back, first), describe(first) + QStringLiteral(" -> ") + describe(back));

    FuzzInput input(data, size);
    checkWellFormedFile(input, savedPath);
    return 0;
}
