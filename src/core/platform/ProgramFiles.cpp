#include "platform/ProgramFiles.h"

#include <QCoreApplication>

ProgramFiles::ProgramFiles(const QString& folder)
    : m_folder(folder.isEmpty() ? runningProgramFolder() : folder) {}

QString ProgramFiles::file(const QString& name) const {
    return m_folder + QLatin1Char('/') + name;
}

QString ProgramFiles::runningProgramFolder() {
    return QCoreApplication::applicationDirPath();
}
