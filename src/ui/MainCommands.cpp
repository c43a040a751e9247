#include "MainCommands.h"

#include "FormatLabels.h"

MainCommands::MainCommands(QObject* parent) : QObject(parent) {
    addFile.setObjectName(QStringLiteral("menuAdd"));
    addFolder.setObjectName(QStringLiteral("menuAddFolder"));
    exit.setObjectName(QStringLiteral("menuExit"));
    removeSelected.setObjectName(QStringLiteral("menuDelete"));
    clearList.setObjectName(QStringLiteral("menuClear"));
    options.setObjectName(QStringLiteral("menuReminder"));
    about.setObjectName(QStringLiteral("menuAbout"));
    help.setObjectName(QStringLiteral("menuHelp"));
    start.setObjectName(QStringLiteral("menuStart"));
    stop.setObjectName(QStringLiteral("menuStop"));
    addFile.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    addFolder.setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    removeSelected.setShortcut(QKeySequence(Qt::Key_Delete));
    // The main keyboard's Return and the keypad's Enter alike.
    start.setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    help.setShortcut(QKeySequence(Qt::Key_F1));
    exit.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    stop.setShortcut(QKeySequence(Qt::Key_Escape));
    stop.setEnabled(false);
    for (const FormatChoice& choice : formatChoices()) {
        auto* format = new QAction(choice.menuText, this);
        format->setObjectName(QStringLiteral("menuFormat%1").arg(choice.index));
        format->setCheckable(true);
        format->setData(choice.index);
        formatGroup.addAction(format);
        formats.append(format);
    }
}
