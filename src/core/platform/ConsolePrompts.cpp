#include "platform/ConsolePrompts.h"

#include "text/PrintableText.h"

Prompts::Answer ConsolePrompts::message(const QString& text, const QString& caption, Icon icon,
                                        Buttons buttons) {
    Q_UNUSED(icon);
    const QString line =
        printable(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text);
    std::fputs(line.toUtf8().constData(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
    // Nobody can answer: take the choice that does nothing further.
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
        case Buttons::YesNoCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::No;
    }
    return Answer::Ok;
}

void ConsolePrompts::openUrl(const QString& target) {
    Q_UNUSED(target);
}

void ConsolePrompts::playSound(const QString& wavPath) {
    Q_UNUSED(wavPath);
}
