// The Windows command-line rules: quoting an argument, splitting arguments, and splitting a
// whole command line into program and arguments.
//
// Input: one byte that decides which program names "exist" and how arguments are separated,
// then the text, read twice: as UTF-8, and as raw UTF-16 code units (lone surrogates too).
// A '\n' in the text separates the items of an argument list.

#include "FuzzCheck.h"

#include "process/CommandLineText.h"

#include <QHash>

using CommandLineText::quoteArgument;
using CommandLineText::splitArguments;
using CommandLineText::splitCommandLine;

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The arguments quoted and joined by blanks: one blank, a tab, or a run of both.
QString joined(const QStringList& arguments, std::uint8_t style) {
    static const QString kSeparators[] = {QStringLiteral(" "), QStringLiteral("\t"),
                                          QStringLiteral("  \t ")};
    QString text;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i > 0) {
            text += kSeparators[static_cast<unsigned>(style + i) % 3];
        }
        text += quoteArgument(arguments.at(i));
    }
    return text;
}

void checkQuoting(const QString& argument) {
    const QString quoted = quoteArgument(argument);
    const QStringList back = splitArguments(quoted);
    FUZZ_CHECK(back == QStringList{argument}, visible(argument) + QStringLiteral(" quoted as ") +
                                                  visible(quoted) +
                                                  QStringLiteral(" came back as ") + visible(back));
    // A path without quotes and without a trailing backslash is only put between quotes.
    if (!argument.contains(QLatin1Char('"')) && !argument.endsWith(QLatin1Char('\\'))) {
        FUZZ_CHECK(quoted == QLatin1Char('"') + argument + QLatin1Char('"'), visible(quoted));
    }
}

void checkArgumentList(const QStringList& arguments, std::uint8_t style) {
    const QString text = joined(arguments, style);
    const QStringList back = splitArguments(text);
    FUZZ_CHECK(back == arguments, visible(arguments) + QStringLiteral(" as ") + visible(text) +
                                      QStringLiteral(" came back as ") + visible(back));
}

// Splitting is the inverse of quoting and joining: whatever a text splits into, quoting and
// joining those arguments gives a text that splits into them again.
void checkSplitIsStable(const QString& text, std::uint8_t style) {
    checkArgumentList(splitArguments(text), style);
}

// The whole command line against a file system in which the names the selector picks exist.
void checkCommandLine(const QString& commandLine, std::uint8_t selector) {
    QStringList asked;
    QStringList accepted;
    const auto exists = [&asked, &accepted, selector](const QString& name) {
        asked << name;
        const bool yes = selector % 4 == 0 || (qHash(name, selector) % 4) == 0;
        if (yes) {
            accepted << name;
        }
        return yes;
    };
    const auto split = splitCommandLine(commandLine, exists);
    const QString where = visible(commandLine) + QStringLiteral(" asked ") + visible(asked);

    qsizetype start = 0;
    while (start < commandLine.size() && isBlank(commandLine.at(start))) {
        ++start;
    }
    const QString text = commandLine.mid(start);

    if (text.startsWith(QLatin1Char('"'))) {
        // A quoted program runs to the closing quote; it is looked up once.
        const qsizetype close = text.indexOf(QLatin1Char('"'), 1);
        const QString program = close < 0 ? text.mid(1) : text.mid(1, close - 1);
        FUZZ_CHECK(asked.size() <= 1, where);
        if (split) {
            FUZZ_CHECK(split->program == program && accepted == QStringList{program}, where);
            const QString rest = close < 0 ? QString() : text.mid(close + 1);
            FUZZ_CHECK(split->arguments == splitArguments(rest), where);
        } else {
            FUZZ_CHECK(accepted.isEmpty(), where);
        }
        return;
    }

    // Unquoted: every prefix that ends at a blank (or the end), shortest first, up to the first
    // one that exists.
    QStringList prefixes;
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || isBlank(text.at(i))) {
            prefixes << text.left(i);
        }
    }
    if (split) {
        FUZZ_CHECK(accepted == QStringList{split->program}, where);
        const qsizetype n = prefixes.indexOf(split->program);
        FUZZ_CHECK(n >= 0 && asked == prefixes.mid(0, n + 1), where);
        FUZZ_CHECK(split->arguments == splitArguments(text.mid(split->program.size())), where);
    } else {
        FUZZ_CHECK(asked == prefixes && accepted.isEmpty(), where);
    }
}

// A command line as the program builds one, the program path quoted or not, splits back into
// that program and those arguments.
void checkBuiltCommandLine(const QString& program, const QStringList& arguments,
                           std::uint8_t style) {
    const auto onlyProgram = [&program](const QString& name) { return name == program; };
    const QString tail =
        arguments.isEmpty() ? QString() : QLatin1Char(' ') + joined(arguments, style);
    if (!program.isEmpty() && !program.contains(QLatin1Char('"'))) {
        const QString line = QLatin1Char('"') + program + QLatin1Char('"') + tail;
        const auto split = splitCommandLine(line, onlyProgram);
        FUZZ_CHECK(split && split->program == program && split->arguments == arguments,
                   visible(line));
    }
    if (!program.isEmpty() && !isBlank(program.front()) && program.front() != QLatin1Char('"')) {
        const QString line = program + tail;
        const auto split = splitCommandLine(line, onlyProgram);
        FUZZ_CHECK(split && split->program == program && split->arguments == arguments,
                   visible(line));
    }
}

void checkText(const QString& text, std::uint8_t control) {
    const std::uint8_t style = control & 0x0f;
    checkQuoting(text);
    checkSplitIsStable(text, style);
    checkCommandLine(text, static_cast<std::uint8_t>(control >> 4));

    const QStringList items = text.split(QLatin1Char('\n'));
    checkArgumentList(items, style);
    checkBuiltCommandLine(items.front(), items.mid(1), style);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t control = input.byte();
    const QByteArray bytes = input.rest();
    checkText(QString::fromUtf8(bytes), control);
    checkText(codeUnits(bytes), control);
    return 0;
}
