#include "text/LeadingNumber.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

double leadingNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::string number;
    bool point = false;
    bool wholePartNonZero = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= u'0' && c <= u'9') {
            wholePartNonZero = wholePartNonZero || (!point && c != u'0');
            number += static_cast<char>(c);
        } else if (c == u'.' && !point) {
            point = true;
            number += '.';
        } else {
            break;
        }
    }
    double value = 0.0;
    const std::errc error = std::from_chars(number.data(), number.data() + number.size(), value,
                                            std::chars_format::fixed)
                                .ec;
    if (error == std::errc::invalid_argument) {
        return 0.0;  // nothing, or a lone point
    }
    if (error == std::errc::result_out_of_range) {
        value = wholePartNonZero ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

bool isPlainNumber(QStringView text) {
    bool digit = false;
    bool point = false;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            digit = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}
