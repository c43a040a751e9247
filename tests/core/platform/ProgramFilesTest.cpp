#include "platform/ProgramFiles.h"
#include "platform/UserFolders.h"

#include "session/Session.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

// HOME (and nothing else of the XDG variables) points at a folder of the test.
class PerUserHome {
public:
    PerUserHome() : m_saved(qgetenv("HOME")), m_savedConfig(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qunsetenv("XDG_CONFIG_HOME");
    }
    ~PerUserHome() {
        qputenv("HOME", m_saved);
        if (!m_savedConfig.isEmpty()) {
            qputenv("XDG_CONFIG_HOME", m_savedConfig);
        }
    }
    QString path() const { return m_home.path(); }

private:
    QTemporaryDir m_home;
    QByteArray m_saved;
    QByteArray m_savedConfig;
};

}  // namespace

TEST(ProgramFilesTest, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    PerUserHome home;
    QTemporaryDir program;
    const ProgramFiles files(program.path());
    EXPECT_TRUE(files.isPortable());
    EXPECT_EQ(files.setupIni(), program.path() + "/setup.ini");
    EXPECT_EQ(files.optionsIni(), program.path() + "/options.ini");
    EXPECT_EQ(files.defaultOutputFolder(), program.path() + "/output");
    EXPECT_EQ(files.encoder("coder"), program.path() + "/data/coder");
}

TEST(ProgramFilesTest, AnInstalledProgramKeepsTheUsersThingsInTheUsersFolders) {
    PerUserHome home;
    QTemporaryDir program;
    // An installation nobody may write to (root included: no write permission at all).
    ASSERT_TRUE(QFile::setPermissions(
        program.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    Session session(program.path());
    const ProgramFiles& files = session.files();
    EXPECT_FALSE(files.isPortable());
    EXPECT_EQ(files.setupIni(), home.path() + "/.config/vordana/setup.ini");
    EXPECT_EQ(files.defaultOutputFolder(), home.path() + "/Music/Vordana");
    EXPECT_EQ(session.settings().outputFolder, home.path() + "/Music/Vordana");

    // Saving makes the user's folder; the program folder stays untouched.
    EXPECT_TRUE(session.saveSetup(1, 1, 1, "/x", 8));
    EXPECT_TRUE(session.saveOptions());
    EXPECT_TRUE(QFile::exists(home.path() + "/.config/vordana/setup.ini"));
    EXPECT_TRUE(QFile::exists(home.path() + "/.config/vordana/options.ini"));
    EXPECT_TRUE(QDir(program.path()).isEmpty());
    EXPECT_EQ(session.restoreSetup().outputFolder, QString("/x"));
    QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(ProgramFilesTest, SettingsThatCannotBeSavedAreSaidOnStandardError) {
    QTemporaryDir program;
    QTemporaryDir capture;
    const QString log = capture.path() + "/stderr.txt";
    QDir(program.path()).mkdir("setup.ini");  // a folder where the file should go
    Session session(program.path());

    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT, 0600);
    ::dup2(file, STDERR_FILENO);
    const bool written = session.saveSetup(1, 1, 1, "/x", 8);
    ::dup2(saved, STDERR_FILENO);
    ::close(file);
    ::close(saved);

    EXPECT_FALSE(written);
    QFile said(log);
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    const QByteArray text = said.readAll();
    EXPECT_TRUE(text.contains("cannot save")) << text.toStdString();
    EXPECT_TRUE(text.contains("setup.ini")) << text.toStdString();
}

TEST(ProgramFilesTest, AMarkedInstallationUsesTheUsersFoldersEvenWithoutHome) {
    PerUserHome home;
    QTemporaryDir program;  // writable, as /usr/lib/vordana is for root
    QFile marker(program.path() + "/" + ProgramFiles::kInstalledMarker);
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    EXPECT_FALSE(ProgramFiles(program.path()).isPortable());
    EXPECT_EQ(ProgramFiles(program.path()).setupIni(), home.path() + "/.config/vordana/setup.ini");

    // Without HOME (a service, env -i) the password database names the home: never "//Music".
    qunsetenv("HOME");
    const ProgramFiles files(program.path());
    const QString passwdHome = UserFolders::homeFromPasswordDatabase();
    ASSERT_FALSE(passwdHome.isEmpty());
    EXPECT_EQ(files.defaultOutputFolder(), passwdHome + "/Music/Vordana");
    EXPECT_EQ(files.settingsFolder(), passwdHome + "/.config/vordana");
}
