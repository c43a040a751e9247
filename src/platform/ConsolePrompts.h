#pragma once

#include "platform/Prompts.h"

#include <cstdio>

// Prompts for the command-line front end: messages go to standard error as
// "Caption: text" and take the default answer; there is no folder to open or sound to play.
class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(FILE* out = stderr) : m_out(out) {}

    Answer message(const QString& text, const QString& caption, Icon icon,
                   Buttons buttons = Buttons::Ok) override;
    void openUrl(const QString& target) override;
    void playSound(const QString& wavPath) override;

private:
    FILE* m_out;
};
