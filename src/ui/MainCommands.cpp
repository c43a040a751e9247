#include "MainCommands.h"

MainCommands::MainCommands(QObject* parent) : QObject(parent) {
    addFile.setObjectName(QStringLiteral("menuAdd"));
    addFolder.setObjectName(QStringLiteral("menuAddFolder"));
    exit.setObjectName(QStringLiteral("menuExit"));
    removeSelected.setObjectName(QStringLiteral("menuDelete"));
    clearList.setObjectName(QStringLiteral("menuClear"));
    options.setObjectName(QStringLiteral("menuReminder"));
    about.setObjectName(QStringLiteral("menuAbout"));
}
