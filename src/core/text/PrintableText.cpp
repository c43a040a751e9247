#include "text/PrintableText.h"

namespace {

bool needsEscape(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString printable(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (const QChar character : text) {
        const char16_t c = character.unicode();
        if (!needsEscape(c)) {
            result += character;
        } else {
            const int digits = c <= 0xFF ? 2 : 4;
            result += (c <= 0xFF ? QLatin1String("\\x") : QLatin1String("\\u")) +
                      QString::number(c, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
        }
    }
    return result;
}
