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
    for (const FormatChoice& choice : formatChoices()) {
        auto* format = new QAction(choice.menuText, this);
        format->setObjectName(QStringLiteral("menuFormat%1").arg(choice.index));
        format->setCheckable(true);
        format->setData(choice.index);
        formatGroup.addAction(format);
        formats.append(format);
    }
}
