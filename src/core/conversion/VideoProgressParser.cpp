#include "conversion/VideoProgressParser.h"

#include "text/LeadingNumber.h"

#include <algorithm>
#include <cmath>

VideoProgressParser::VideoProgressParser(std::function<void()> yield) : m_yield(std::move(yield)) {}

bool VideoProgressParser::feed(const QString& chunkText, ProgressReport& display, QString& glyph) {
    // Our own copy: the yield callback lets the window run, and it may reuse the caller's string.
    const QString chunk = chunkText;
    glyph = nextSpinnerGlyph(glyph);

    // The first "(" whose ")" comes four or five characters on: "( 5%)" or "(100%)". A "("
    // near the end of the chunk, whose ")" comes with the next chunk, is not seen.
    QString figure;
    const qsizetype n = chunk.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (chunk.at(i) == QLatin1Char('(')) {
            if (i + 4 < n && chunk.at(i + 4) == QLatin1Char(')')) {
                figure = chunk.mid(i + 1, 3);
                break;
            }
            if (i + 5 < n && chunk.at(i + 5) == QLatin1Char(')')) {
                figure = chunk.mid(i + 1, 4);
                break;
            }
        }
        if (m_yield) {
            m_yield();
        }
    }
    if (figure.isEmpty()) {
        return false;
    }
    display.style = ProgressReport::Style::Mencoder;
    display.glyph = glyph;
    if (figure == QLatin1String("100%")) {
        display.complete = true;
        display.fraction = 1.0;
        display.pbValue = 100.0;
        display.figure = QStringLiteral("100");
        return true;
    }
    // Halves to the even neighbour; other parenthesised text that fits the pattern reads as
    // what it starts with ("(4:3)" is 4, "(abc)" is 0), and a figure beyond the bar is shown as
    // a full one.
    const double p = std::clamp(std::nearbyint(leadingNumber(figure)), 0.0, 100.0);
    display.complete = false;
    display.fraction = p / 100.0;
    display.pbValue = p;
    display.figure = QString::number(static_cast<int>(p));
    return true;
}
