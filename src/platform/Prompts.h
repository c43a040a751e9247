#pragma once

#include <QString>

// The one way to anything modal or outside the program: message boxes, and the shell actions
// that open a folder or play a sound. The window installs an implementation that shows real
// dialogs, the command-line front end one that prints, and tests a scripted one that answers
// from a queue and records what was asked -- so nothing ever blocks a test.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompts();

    virtual Answer message(const QString& text, const QString& caption, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;
    // Opens a folder or address with the desktop's handler.
    virtual void openUrl(const QString& target) = 0;
    // Plays a wave file; returns when it has ended (or could not play).
    virtual void playSound(const QString& wavPath) = 0;

    // The installed implementation (a ConsolePrompts until something else is installed).
    static Prompts& current();
    // Installs `prompts` (not owned); nullptr goes back to the console one.
    static void install(Prompts* prompts);

    // Caption of the program's own messages.
    static QString applicationTitle();
};
