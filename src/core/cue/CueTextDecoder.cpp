#include "cue/CueTextDecoder.h"

#include <iconv.h>
#include <uchardet.h>
#include <QStringConverter>
#include <QStringDecoder>
#include <cerrno>

namespace {

// The encodings that legacy Chinese, Japanese and Korean sheets are really written in: Windows
// programs write their code page, which is a superset of the standard set a detector names.
QByteArray supersetOf(const QByteArray& name) {
    const QByteArray upper = name.trimmed().toUpper();
    if (upper == "GB2312" || upper == "GBK" || upper == "CP936" || upper == "EUC-CN" ||
        upper == "X-GBK") {
        return "GB18030";
    }
    if (upper == "BIG5") {
        return "CP950";
    }
    if (upper == "SHIFT_JIS" || upper == "SHIFT-JIS" || upper == "SJIS" || upper == "MS_KANJI") {
        return "CP932";  // also keeps 0x5C a backslash instead of a yen sign
    }
    if (upper == "EUC-KR") {
        return "CP949";
    }
    return upper;
}

QString replacedWarning(qsizetype count, const QByteArray& encoding) {
    return QStringLiteral("%1 byte(s) that are not valid %2 were replaced")
        .arg(count)
        .arg(QString::fromLatin1(encoding));
}

CueText decodeWithQt(const QByteArray& bytes, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding);  // drops a leading byte-order mark by itself
    CueText result;
    result.text = decoder.decode(bytes);
    result.encoding = QString::fromLatin1(QStringConverter::nameForEncoding(encoding));
    if (decoder.hasError()) {
        result.warnings
            << QStringLiteral("bytes that are not valid %1 were replaced").arg(result.encoding);
    }
    return result;
}

// Decodes with iconv into UTF-8; each byte iconv cannot place becomes U+FFFD.
std::optional<CueText> decodeWithIconv(const QByteArray& bytes, const QByteArray& encoding) {
    const iconv_t converter = iconv_open("UTF-8", encoding.constData());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    QByteArray input = bytes;  // iconv wants to move a non-const pointer
    char* in = input.data();
    size_t inLeft = static_cast<size_t>(input.size());
    QByteArray output;
    QByteArray chunk(4096, Qt::Uninitialized);
    qsizetype replaced = 0;
    bool flushed = false;
    while (!flushed) {
        char* out = chunk.data();
        size_t outLeft = static_cast<size_t>(chunk.size());
        // With the input used up, one more call with no input writes any pending shift state.
        const bool flushing = inLeft == 0;
        const size_t status = flushing ? iconv(converter, nullptr, nullptr, &out, &outLeft)
                                       : iconv(converter, &in, &inLeft, &out, &outLeft);
        const int reason = errno;
        output.append(chunk.constData(), chunk.size() - static_cast<qsizetype>(outLeft));
        if (status != static_cast<size_t>(-1)) {
            flushed = flushing;
        } else if (reason == EILSEQ) {
            output.append("\xEF\xBF\xBD");
            ++replaced;
            ++in;
            --inLeft;
        } else if (reason == EINVAL) {
            output.append("\xEF\xBF\xBD");  // a character cut off by the end of the bytes
            ++replaced;
            inLeft = 0;
        } else if (reason != E2BIG) {
            break;
        }
    }
    iconv_close(converter);
    CueText result;
    result.text = QString::fromUtf8(output);
    if (result.text.startsWith(u'\xFEFF')) {
        result.text.remove(0, 1);
    }
    result.encoding = QString::fromLatin1(encoding);
    if (replaced > 0) {
        result.warnings << replacedWarning(replaced, encoding);
    }
    return result;
}

std::optional<CueText> decodeAs(const QByteArray& bytes, const QByteArray& name) {
    const QByteArray encoding = supersetOf(name);
    if (const std::optional<QStringConverter::Encoding> builtIn =
            QStringConverter::encodingForName(encoding.constData());
        builtIn && *builtIn != QStringConverter::System) {
        return decodeWithQt(bytes, *builtIn);
    }
    return decodeWithIconv(bytes, encoding);
}

std::optional<QStringConverter::Encoding> byteOrderMark(const QByteArray& bytes) {
    if (bytes.startsWith(QByteArray("\xFF\xFE\x00\x00", 4))) {
        return QStringConverter::Utf32LE;
    }
    if (bytes.startsWith(QByteArray("\x00\x00\xFE\xFF", 4))) {
        return QStringConverter::Utf32BE;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QStringConverter::Utf8;
    }
    if (bytes.startsWith("\xFF\xFE")) {
        return QStringConverter::Utf16LE;
    }
    if (bytes.startsWith("\xFE\xFF")) {
        return QStringConverter::Utf16BE;
    }
    return std::nullopt;
}

// A sheet is mostly ASCII, so UTF-16 without a mark shows as NULs in every other byte: in the
// odd positions for little-endian, in the even ones for big-endian.
std::optional<QStringConverter::Encoding> unmarkedUtf16(const QByteArray& bytes) {
    qsizetype evenNuls = 0;
    qsizetype oddNuls = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            ++(i % 2 == 0 ? evenNuls : oddNuls);
        }
    }
    if (evenNuls + oddNuls == 0) {
        return std::nullopt;
    }
    return oddNuls >= evenNuls ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
}

bool isValidUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArray detectorGuess(const QByteArray& bytes) {
    uchardet_t detector = uchardet_new();
    QByteArray guess;
    if (uchardet_handle_data(detector, bytes.constData(), static_cast<size_t>(bytes.size())) == 0) {
        uchardet_data_end(detector);
        guess = uchardet_get_charset(detector);
    }
    uchardet_delete(detector);
    return guess;
}

bool isCjkEncodingName(const QByteArray& name) {
    const QByteArray upper = name.toUpper();
    for (const char* family : {"GB", "BIG5", "SHIFT", "SJIS", "EUC", "ISO-2022", "CP9", "HZ"}) {
        if (upper.startsWith(family)) {
            return true;
        }
    }
    return false;
}

// True when the bytes read as GB18030 without a fault and every character beyond ASCII is
// Chinese writing (ideographs, CJK punctuation, full-width forms). A sheet with a title or two
// in Chinese is too short for a detector, which then guesses a one-byte code page.
bool readsAsChinese(const QByteArray& bytes) {
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) {
        return false;
    }
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return false;
    }
    bool any = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            continue;
        }
        const bool chinese = (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) ||
                             (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
        if (!chinese) {
            return false;
        }
        any = true;
    }
    return any;
}

}  // namespace

std::optional<CueText> CueTextDecoder::decode(const QByteArray& bytes,
                                              const QString& forcedEncoding, QString* error) {
    auto failed = [error](const QString& reason) -> std::optional<CueText> {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    };
    if (!forcedEncoding.trimmed().isEmpty()) {
        std::optional<CueText> text = decodeAs(bytes, forcedEncoding.toLatin1());
        if (!text) {
            return failed(QStringLiteral("unknown encoding \"%1\"").arg(forcedEncoding));
        }
        return text;
    }
    if (const auto marked = byteOrderMark(bytes)) {
        return decodeWithQt(bytes, *marked);
    }
    if (const auto utf16 = unmarkedUtf16(bytes)) {
        return decodeWithQt(bytes, *utf16);
    }
    if (isValidUtf8(bytes)) {
        return decodeWithQt(bytes, QStringConverter::Utf8);
    }
    QByteArray guess = detectorGuess(bytes);
    if (!isCjkEncodingName(guess) && readsAsChinese(bytes)) {
        guess = "GB18030";
    }
    if (guess.isEmpty()) {
        return failed(QStringLiteral("cannot tell which encoding the sheet is in; name it"));
    }
    std::optional<CueText> text = decodeAs(bytes, guess);
    if (!text) {
        return failed(QStringLiteral("the sheet looks like %1, which cannot be decoded; name its "
                                     "encoding")
                          .arg(QString::fromLatin1(guess)));
    }
    return text;
}
