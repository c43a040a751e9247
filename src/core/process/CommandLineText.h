#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// One command-line string in, program and arguments out, with the rules Windows uses, so
// that command lines built as one text (program path unquoted, paths in double quotes) reach
// the encoder as the exact arguments they name.
namespace CommandLineText {

// Puts an argument in double quotes so that splitArguments() gives it back unchanged,
// whatever it holds: a quote inside becomes \" and the backslashes before a quote (or before
// the closing quote) are doubled. A path without quotes and without a trailing backslash --
// every file path a Windows user can have -- comes out as Q + path + Q, nothing more.
QString quoteArgument(const QString& argument);

// Splits arguments (everything after the program) by the C runtime's rules: blanks separate
// outside quotes, double quotes group, 2n backslashes + quote give n backslashes and toggle
// quoting, 2n+1 backslashes + quote give n backslashes and a literal quote, other backslashes
// are literal.
QStringList splitArguments(const QString& text);

struct SplitCommand {
    QString program;
    QStringList arguments;
};

// Splits a whole command line. A quoted program path runs to its closing quote. An unquoted one
// may contain blanks: as Windows does, the shortest blank-delimited prefix that names an existing
// file is the program (isProgramFile decides). Gives nothing when no prefix names a program.
std::optional<SplitCommand> splitCommandLine(
    const QString& commandLine, const std::function<bool(const QString&)>& isProgramFile);

}  // namespace CommandLineText
