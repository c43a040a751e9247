#pragma once

#include <QString>

// The files that lie beside the program: the encoders in data/, sound.wav and help.html; and
// where the user's things go. A program folder the user may write to (the build folder, a
// portable copy) keeps setup.ini and options.ini beside the program and offers "output" there
// as the default output folder. An installed program's folder is not the user's: the settings
// then live in ~/.config/vordana/ and the default output folder is the music folder's Vordana.
// The installation marks its folder (kInstalledMarker), so that root, who may write anywhere,
// still keeps its state in its own folders and the package's folder holds only what it shipped.
class ProgramFiles {
public:
    // The file an installation puts beside the program; a build folder or portable copy has none.
    static constexpr char kInstalledMarker[] = "installed";

    // `folder` empty: the folder of the running program.
    explicit ProgramFiles(const QString& folder = QString());

    const QString& folder() const { return m_folder; }
    // folder + "/" + name
    QString file(const QString& name) const;

    QString encoder(const QString& imageName) const { return file("data/" + imageName); }
    QString sound() const { return file(QStringLiteral("sound.wav")); }
    QString help() const { return file(QStringLiteral("help.html")); }

    // True when the settings and the default output live beside the program.
    bool isPortable() const { return m_portable; }
    QString settingsFolder() const;
    QString setupIni() const { return settingsFolder() + QStringLiteral("/setup.ini"); }
    QString optionsIni() const { return settingsFolder() + QStringLiteral("/options.ini"); }
    QString defaultOutputFolder() const;

    // The folder of the running executable, without a trailing separator.
    static QString runningProgramFolder();

private:
    QString m_folder;
    bool m_portable = true;
};
