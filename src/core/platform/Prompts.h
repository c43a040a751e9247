#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <optional>

// The one way to anything modal or outside the program: message boxes, and the shell actions
// that open a folder or play a sound. The window installs an implementation that shows real
// dialogs, the command-line front end one that prints, and tests a scripted one that answers
// from a queue and records what was asked -- so nothing ever blocks a test.
class Prompts {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    // What a file dialog starts with. `filter` is "description|pattern|description|pattern...".
    struct FileDialogRequest {
        QString title;
        QString folder;
        QString filter;
        QString fileName;
        QString defaultExtension;
    };

    // A font as the font dialog takes and gives it; colours are 0x00BBGGRR.
    struct FontChoice {
        QString name;
        int pointSize = 0;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        quint32 color = 0;
    };

    virtual ~Prompts();

    virtual Answer message(const QString& text, const QString& caption, Icon icon,
                           Buttons buttons = Buttons::Ok) = 0;
    // Opens a folder or address with the desktop's handler.
    virtual void openUrl(const QString& target) = 0;
    // Plays a wave file; returns when it has ended (or could not play).
    virtual void playSound(const QString& wavPath) = 0;

    // The common dialogs. Each gives nothing (or false) when the user cancels.
    virtual std::optional<QString> openFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<QString> chooseFolder(const QString& instruction,
                                                const QString& startFolder) = 0;
    virtual std::optional<quint32> chooseColor(quint32 initial, bool fullOpen) = 0;
    virtual std::optional<FontChoice> chooseFont(const FontChoice& initial) = 0;
    virtual bool printDialog() = 0;
    virtual bool printerProperties() = 0;

    // Shows one of the program's own windows (a dialog) modally; returns when it closes.
    virtual void showModal(QObject* window) = 0;
    // Pops up a menu at the mouse position; the chosen item (if any) is triggered.
    virtual void popupMenu(QObject* menu) = 0;

    // The installed implementation (a ConsolePrompts until something else is installed).
    static Prompts& current();
    // Installs `prompts` (not owned); nullptr goes back to the console one.
    static void install(Prompts* prompts);

    // Caption of the program's own messages.
    static QString applicationTitle();
};
