#pragma once

#include <QString>

// The files that lie beside the program: the encoders in data/, setup.ini, options.ini,
// sound.wav, help.html, and the default output folder "output".
class ProgramFiles {
public:
    // `folder` empty: the folder of the running program.
    explicit ProgramFiles(const QString& folder = QString());

    const QString& folder() const { return m_folder; }
    // folder + "/" + name
    QString file(const QString& name) const;

    QString encoder(const QString& imageName) const { return file("data/" + imageName); }
    QString setupIni() const { return file(QStringLiteral("setup.ini")); }
    QString optionsIni() const { return file(QStringLiteral("options.ini")); }
    QString sound() const { return file(QStringLiteral("sound.wav")); }
    QString help() const { return file(QStringLiteral("help.html")); }
    QString defaultOutputFolder() const { return file(QStringLiteral("output")); }

    // The folder of the running executable, without a trailing separator.
    static QString runningProgramFolder();

private:
    QString m_folder;
};
