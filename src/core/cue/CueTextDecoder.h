#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The text of a CUE sheet and the encoding it was read in.
struct CueText {
    QString text;
    QString encoding;      // "UTF-8", "UTF-16LE", "GB18030", "CP950", ...
    QStringList warnings;  // bytes that did not fit the encoding (each was replaced by U+FFFD)
};

// Turns the bytes of a CUE sheet into text. Sheets come in whatever their ripping program's
// system used, so without `forcedEncoding` the encoding is found in this order: a byte-order
// mark (UTF-8, UTF-16 and UTF-32, either byte order); UTF-16 without a mark when the bytes hold
// NULs; valid UTF-8 (a detector's guess never beats it: short UTF-8 texts are easily mistaken
// for a Windows code page); then uchardet's guess. Chinese and Japanese guesses are read as the
// Windows supersets their sheets are really written in (GB2312/GBK as GB18030, Big5 as CP950,
// Shift_JIS as CP932, EUC-KR as CP949).
//
// The UTF encodings and Latin-1 are decoded by QStringConverter; every other encoding by the C
// library's iconv, which has them all whichever way Qt was built.
//
// `forcedEncoding` (any name iconv or Qt knows, case-insensitive) skips detection; a byte-order
// mark of that same encoding is still dropped. An unknown name, or bytes no detector can place,
// fail with the reason in `error`.
class CueTextDecoder {
public:
    static std::optional<CueText> decode(const QByteArray& bytes,
                                         const QString& forcedEncoding = {},
                                         QString* error = nullptr);
};
