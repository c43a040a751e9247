#include "process/CommandLineText.h"

namespace CommandLineText {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

}  // namespace

QString quoteArgument(const QString& argument) {
    QString quoted(QLatin1Char('"'));
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            // Backslashes before a quote escape it: double them, then escape the quote itself.
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            quoted += QLatin1Char('"');
        } else {
            quoted += QString(backslashes, QLatin1Char('\\'));
            quoted += c;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote would escape it: double them.
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    quoted += QLatin1Char('"');
    return quoted;
}

QStringList splitArguments(const QString& text) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool inQuotes = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text.at(i);
        if (isBlank(c) && !inQuotes) {
            if (inArgument) {
                arguments << current;
                current.clear();
                inArgument = false;
            }
            ++i;
            continue;
        }
        inArgument = true;
        if (c == QLatin1Char('\\')) {
            qsizetype count = 0;
            while (i < n && text.at(i) == QLatin1Char('\\')) {
                ++count;
                ++i;
            }
            if (i < n && text.at(i) == QLatin1Char('"')) {
                current += QString(count / 2, QLatin1Char('\\'));
                if (count % 2 == 1) {
                    current += QLatin1Char('"');
                    ++i;
                }
                // An even count leaves the quote to toggle quoting on the next turn.
            } else {
                current += QString(count, QLatin1Char('\\'));
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        current += c;
        ++i;
    }
    if (inArgument) {
        arguments << current;
    }
    return arguments;
}

std::optional<SplitCommand> splitCommandLine(
    const QString& commandLine, const std::function<bool(const QString&)>& isProgramFile) {
    QString text = commandLine;
    qsizetype start = 0;
    while (start < text.size() && isBlank(text.at(start))) {
        ++start;
    }
    text = text.mid(start);
    if (text.isEmpty()) {
        return std::nullopt;
    }

    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        const QString program = close < 0 ? text.mid(1) : text.mid(1, close - 1);
        if (program.isEmpty() || !isProgramFile(program)) {
            return std::nullopt;
        }
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        return SplitCommand{program, splitArguments(rest)};
    }

    // Unquoted: try "a", "a b", "a b c", ... up to each blank, then the whole line.
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isBlank(text.at(i))) {
            continue;
        }
        const QString candidate = text.left(i);
        if (!candidate.isEmpty() && isProgramFile(candidate)) {
            return SplitCommand{candidate, splitArguments(text.mid(i))};
        }
    }
    return std::nullopt;
}

}  // namespace CommandLineText
