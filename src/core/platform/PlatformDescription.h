#pragma once

#include <QChar>
#include <QString>

// What command building needs to know about the machine: how paths are joined, what
// executables are called, and where the program and its scratch files live. A Windows
// description reproduces the original installation's command lines byte for byte; the
// native one is what the program really runs with.
struct PlatformDescription {
    QChar separator = QLatin1Char('/');
    QString executableSuffix;  // ".exe" on Windows, empty here
    QString programFolder;     // folder of the running program, no trailing separator
    QString temporaryFolder;   // private scratch folder, no trailing separator

    // The Windows installation: "\" separators, ".exe" images, the fixed scratch folder c:\tmp.
    static PlatformDescription windows(const QString& programFolder) {
        return {QLatin1Char('\\'), QStringLiteral(".exe"), programFolder,
                QStringLiteral("c:\\tmp")};
    }
    // This machine: the running executable's folder and the private per-user scratch folder.
    static PlatformDescription native();

    // Image name of an encoder ("coder" -> "coder.exe" on Windows).
    QString imageName(const QString& encoder) const { return encoder + executableSuffix; }
};
