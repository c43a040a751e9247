#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QValidator>

#include "InstanceChannel.h"
#include "filelist/NativeNames.h"
#include "frmMenu.h"
#include "platform/PrivateTempFolder.h"
#include "platform/SingleInstance.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// A window the test starts as a process of its own: offscreen, with the window's own texts
// whatever the machine's locale.
QProcessEnvironment windowEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("VORDANA_LANG", "zh");
    return environment;
}

}  // namespace

class StartupTest : public WindowTest {
protected:
    void writeFile(const QString& name, const QByteArray& content) {
        QFile file(folder() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QByteArray readFile(const QString& name) {
        QFile file(folder() + "/" + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(StartupTest, FirstStartShowsTheMp3PresetsAndTheDefaultFolder) {
    frmMain& w = window();
    EXPECT_EQ(widget<QComboBox>(w, "cmbOF")->currentIndex(), 8);
    EXPECT_EQ(widget<QComboBox>(w, "cmbR")->currentText(), "48000");
    EXPECT_EQ(widget<QComboBox>(w, "cmbBR")->currentText(), "320");
    EXPECT_EQ(widget<QComboBox>(w, "cmbChannel")->currentIndex(), 1);
    // The video boxes keep the presets of the first format selected on the way.
    EXPECT_EQ(widget<QComboBox>(w, "cmbVB")->currentText(), "1200");
    EXPECT_EQ(widget<QComboBox>(w, "cmbF")->currentText(), "29");
    EXPECT_EQ(widget<QComboBox>(w, "cmbS")->currentText(), u("原始大小"));
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), folder() + "/output");
    EXPECT_FALSE(QFile::exists(folder() + "/options.ini")) << "loading creates no file";
    EXPECT_EQ(Options().SoundReminder, 0);
}

TEST_F(StartupTest, ExitWritesFiveQuotedLinesThatTheNextStartRestores) {
    {
        frmMain& w = window();
        widget<QComboBox>(w, "cmbBR")->setCurrentIndex(9);  // "128"
        widget<QComboBox>(w, "cmbR")->setCurrentIndex(4);   // "22050"
        widget<QComboBox>(w, "cmbChannel")->setCurrentIndex(0);
        widget<QLineEdit>(w, "txtPath")->setText(u("/音乐/my, \"odd\" out"));
        w.imgExit_Click();
    }
    EXPECT_EQ(readFile("setup.ini"),
              u("\"9\"\r\n\"4\"\r\n\"0\"\r\n\"/音乐/my, \"odd\" out\"\r\n\"8\"\r\n").toUtf8());

    frmMain& again = window();
    EXPECT_EQ(widget<QComboBox>(again, "cmbBR")->currentText(), "128")
        << "the same format keeps the restored values";
    EXPECT_EQ(widget<QComboBox>(again, "cmbR")->currentText(), "22050");
    EXPECT_EQ(widget<QComboBox>(again, "cmbChannel")->currentIndex(), 0);
    EXPECT_EQ(widget<QLineEdit>(again, "txtPath")->text(), u("/音乐/my, \"odd\" out"));
}

TEST_F(StartupTest, FlacChosenInTheMenuIsStoredAndComesBackWithItsBoxes) {
    {
        frmMain& w = window();
        const QMenu* formats = w.menuBar()->findChild<QMenu*>("menuFormat");
        ASSERT_TRUE(formats);
        EXPECT_EQ(formats->title(), u("输出格式"));
        EXPECT_EQ(formats->parent()->property("title").toString(), u("文件操作"));
        QStringList texts;
        for (QAction* format : formats->actions()) {
            texts << format->text();
        }
        EXPECT_EQ(texts, (QStringList{"MP3", "FLAC", "Opus", "AAC", "Ogg Vorbis"}));
        EXPECT_TRUE(formats->actions()[0]->isChecked());
        EXPECT_TRUE(w.menus().menuRemove.actions().contains(w.menus().menuFormat.menuAction()));
        EXPECT_EQ(w.menus().menuFormat.actions(), formats->actions())
            << "the popup offers the same";

        formats->actions()[1]->trigger();
        EXPECT_EQ(widget<QComboBox>(w, "cmbOF")->currentIndex(), 9);
        EXPECT_FALSE(formats->actions()[0]->isChecked());
        EXPECT_EQ(widget<QLabel>(w, "Label9")->text(), u("FLAC - 无损音频格式"));
        EXPECT_FALSE(widget<QComboBox>(w, "cmbBR")->isEnabled());
        EXPECT_TRUE(widget<QComboBox>(w, "cmbR")->isEnabled());
        EXPECT_EQ(widget<QComboBox>(w, "cmbR")->currentText(), u("原始频率"));
        EXPECT_EQ(widget<QComboBox>(w, "cmbChannel")->currentText(), u("原始声道"));
        EXPECT_EQ(w.run().settings().sampleRate, "source");
        EXPECT_EQ(w.run().settings().channelIndex, 2);
        EXPECT_EQ(w.run().settings().level, "5");
        w.imgExit_Click();
    }
    EXPECT_EQ(readFile("setup.ini").split('\n').value(4), "\"9\"\r");

    frmMain& w = window();
    EXPECT_EQ(widget<QComboBox>(w, "cmbOF")->currentIndex(), 9);
    EXPECT_TRUE(w.findChild<QAction*>("menuFormat9")->isChecked());
    EXPECT_EQ(widget<QLabel>(w, "Label9")->text(), u("FLAC - 无损音频格式"));
    EXPECT_EQ(w.run().settings().sampleRate, "source");

    // Opus always encodes at 48000 Hz; MP3 gets back its own lists and a numbers-only rate box.
    w.findChild<QAction*>("menuFormat10")->trigger();
    EXPECT_FALSE(widget<QComboBox>(w, "cmbR")->isEnabled());
    EXPECT_TRUE(widget<QComboBox>(w, "cmbBR")->isEnabled());
    w.findChild<QAction*>("menuFormat8")->trigger();
    EXPECT_EQ(widget<QLabel>(w, "Label9")->text(), u("MP3 - 音乐声音格式"));
    EXPECT_EQ(widget<QComboBox>(w, "cmbR")->count(), 8);
    EXPECT_EQ(widget<QComboBox>(w, "cmbChannel")->count(), 2);
    QString typed = u("原始频率");
    int position = 0;
    EXPECT_EQ(widget<QComboBox>(w, "cmbR")->validator()->validate(typed, position),
              QValidator::Invalid);
}

TEST_F(StartupTest, TypedValuesAreStoredAsNoSelection) {
    frmMain& w = window();
    widget<QComboBox>(w, "cmbBR")->setEditText("100");
    w.imgExit_Click();
    EXPECT_TRUE(readFile("setup.ini").startsWith("\"-1\"\r\n\"0\"\r\n"));
}

TEST_F(StartupTest, BadOrShortSetupFilesNeverSetAValueTheFileDoesNotHold) {
    struct Case {
        QByteArray content;
        QString bitRate;
        QString rate;
        int channel;
        QString path;
    };
    const QString defaultPath = folder() + "/output";
    const QList<Case> cases = {
        {"\"99\"\r\n\"abc\"\r\n\"7\"\r\n\"\"\r\n\"8\"\r\n", "320", "48000", 1, defaultPath},
        {"\"9\"\r\n", "128", "48000", 1, defaultPath},
        {QByteArray("\x00\xff\xfe\x01\"3\r\n", 8), "320", "48000", 1, defaultPath},
        {"\"2\"\r\n\"0\"\r\n\"0\"\r\n\"/x\"\r\n\"2\"\r\n", "64", "28000", 1, "/x"},
        {"", "320", "48000", 1, defaultPath},
    };
    for (const Case& c : cases) {
        writeFile("setup.ini", c.content);
        frmMain& w = window();
        EXPECT_EQ(widget<QComboBox>(w, "cmbBR")->currentText(), c.bitRate)
            << c.content.toStdString();
        EXPECT_EQ(widget<QComboBox>(w, "cmbR")->currentText(), c.rate) << c.content.toStdString();
        EXPECT_EQ(widget<QComboBox>(w, "cmbChannel")->currentIndex(), c.channel)
            << c.content.toStdString();
        EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), c.path) << c.content.toStdString();
    }
}

TEST_F(StartupTest, OptionsFileIsReadAtStartAndGarbageNeverCrashes) {
    writeFile("options.ini", "1.5\r\n1\r\n90\r\n120\r\n");
    window();
    EXPECT_EQ(Options().SoundReminder, 2);
    EXPECT_EQ(Options().MusicCutter, 1);
    EXPECT_EQ(Options().CutTo, 120);

    writeFile("options.ini", QByteArray("\xff\x00\x01garbage,\"x\n\n\n", 15));
    Options() = OptionsRecord{};
    window();
    EXPECT_EQ(Options().SoundReminder, 0);
}

TEST_F(StartupTest, ClosingDeletesTheTemporaryFiles) {
    const QString temporary = PrivateTempFolder::ensure();
    ASSERT_FALSE(temporary.isEmpty());
    for (const char* name : {"/tmpfile.wav", "/tmpfile1.mp3"}) {
        QFile file(temporary + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    frmMain& w = window();
    w.imgExit_Click();
    EXPECT_FALSE(QFile::exists(temporary + "/tmpfile.wav"));
    EXPECT_FALSE(QFile::exists(temporary + "/tmpfile1.mp3"));
    EXPECT_TRUE(QFile::exists(folder() + "/setup.ini"));
}

TEST_F(StartupTest, ClosingNeverDeletesThroughAPlantedLink) {
    // Another user could make the usual private folder a link to a folder of ours.
    QTemporaryDir runtime;
    QTemporaryDir victim;
    ASSERT_TRUE(QFile::link(victim.path(), runtime.path() + "/vordana"));
    for (const char* name : {"/tmpfile.wav", "/tmpfile1.mp3"}) {
        QFile file(victim.path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    frmMain& w = window();
    w.imgExit_Click();
    qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_TRUE(QFile::exists(victim.path() + "/tmpfile.wav"));
    EXPECT_TRUE(QFile::exists(victim.path() + "/tmpfile1.mp3"));
    EXPECT_TRUE(QFileInfo(runtime.path() + "/vordana").isSymLink()) << "the link is left alone";
}

TEST_F(StartupTest, SecondInstanceEndsAtOnce) {
    const QString program = TestPaths::programFolder() + "/vordana";
    QProcess first;
    const QProcessEnvironment environment = windowEnvironment();
    first.setProcessEnvironment(environment);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    QTest::qWait(3000);  // let it start and take the instance lock, even on a busy machine
    ASSERT_EQ(first.state(), QProcess::Running);

    // Whatever its environment says about the runtime folder, a second copy finds the first.
    QTemporaryDir otherRuntime;
    for (const QString& runtime : {QString(), otherRuntime.path()}) {
        QProcess second;
        QProcessEnvironment secondEnvironment = environment;
        if (!runtime.isEmpty()) {
            secondEnvironment.insert("XDG_RUNTIME_DIR", runtime);
        }
        second.setProcessEnvironment(secondEnvironment);
        second.start(program, {});
        EXPECT_TRUE(second.waitForFinished(10000)) << "the second instance did not end";
        EXPECT_EQ(second.exitCode(), 0);
    }
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance is unaffected";
    first.kill();
    first.waitForFinished();
}

TEST_F(StartupTest, ExitDuringAConversionEndsTheProgramAtOnceAndTheFileCompletesOnItsOwn) {
    useEncoder("coder");
    const QString out = folder() + "/out";
    QProcess driver;
    const QProcessEnvironment environment = windowEnvironment();
    driver.setProcessEnvironment(environment);
    driver.start(TestPaths::helper("window_driver"),
                 {folder(), out, "1500", TestPaths::benchInput("long-180s-44k-stereo-c4000.ape"),
                  TestPaths::fixture("tone.wav")});
    ASSERT_TRUE(driver.waitForStarted());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return driver.readAllStandardOutput().contains("exit"); }, 30000));
    QElapsedTimer clock;
    clock.start();
    // It may have ended already while its words were read.
    ASSERT_TRUE(driver.state() == QProcess::NotRunning || driver.waitForFinished(5000));
    EXPECT_LT(clock.elapsed(), 1000) << "the program lived on after its exit";
    EXPECT_EQ(driver.exitCode(), 0);

    // The next start finds the instance lock free at once.
    SingleInstance next(folder());
    EXPECT_TRUE(next.isFirst());

    // The encoder of the current file goes on and publishes a complete file; no further file
    // was started.
    ASSERT_FALSE(processesMentioning(out).isEmpty()) << "the current file's encoder was stopped";
    ASSERT_TRUE(QTest::qWaitFor([&] { return processesMentioning(out).isEmpty(); }, 60000));
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(left.size(), 1) << left.join(", ").toStdString();
    EXPECT_TRUE(left[0].startsWith("long-180s-44k-stereo-c4000_")) << left[0].toStdString();
    EXPECT_NEAR(probeMedia(out + "/" + left[0]).decodedDuration, 180.0, 0.1);
}

TEST_F(StartupTest, SettingsFilesThatAreNoRegularFilesLeaveTheDefaults) {
    // A FIFO would block the start for ever, a link to /dev/zero would never end.
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder() + "/setup.ini").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", folder() + "/options.ini"));
    QElapsedTimer clock;
    clock.start();
    frmMain& w = window();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(widget<QComboBox>(w, "cmbOF")->currentIndex(), 8);
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), folder() + "/output");
    EXPECT_EQ(Options().SoundReminder, 0);
}

TEST_F(StartupTest, FilesNamedOnTheCommandLineComeInAndASecondStartHandsItsOverToTheWindow) {
    // The first window: its files (a folder is searched as by the folder button).
    QTemporaryDir music;
    QDir(music.path()).mkdir("album");
    for (const char* name : {"/album/b.ape", "/album/a.ape", "/single.wav"}) {
        QFile file(music.path() + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    frmMain& w = window();
    w.AddPaths({music.path() + "/album", music.path() + "/single.wav"});
    EXPECT_EQ(w.lstFile.paths(),
              (QStringList{music.path() + "/album/a.ape", music.path() + "/album/b.ape",
                           music.path() + "/single.wav"}));

    // A second start of the same program (a copy of it in a folder of its own) finds this one
    // and hands over its files, relative names made whole.
    QTemporaryDir program;
    ASSERT_TRUE(QFile::copy(TestPaths::programFolder() + "/vordana", program.path() + "/vordana"));
    QFile::setPermissions(program.path() + "/vordana", QFile::ReadOwner | QFile::ExeOwner);
    SingleInstance running(program.path());
    ASSERT_TRUE(running.isFirst());
    QStringList received;
    InstanceChannel channel(running.socketPath(),
                            [&](const QStringList& paths) { received = paths; });
    ASSERT_TRUE(channel.isListening());

    QProcess second;
    const QProcessEnvironment environment = windowEnvironment();
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(music.path());
    // What names nothing, or is longer than any path can be, is dropped by the window. A GBK
    // name (not UTF-8) reaches the window through an alias of the window's own, which stays
    // when the second start has ended.
    const QByteArray gbk = QFile::encodeName(music.path()) + "/gbk-\xd4\xc2\xc1\xc1.ape";
    ASSERT_EQ(::close(::open(gbk.constData(), O_WRONLY | O_CREAT, 0600)), 0);
    second.start("/bin/sh", {"-c", R"sh(exec "$0" "$@" "$(printf 'gbk-\324\302\301\301.ape')")sh",
                             program.path() + "/vordana", "single.wav", music.path() + "/album",
                             "gone.ape", "/" + QString(100000, 'x')});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    ASSERT_EQ(received.size(), 3) << received.join(", ").toStdString();
    EXPECT_EQ(received.mid(0, 2),
              (QStringList{music.path() + "/single.wav", music.path() + "/album"}));
    EXPECT_TRUE(QFileInfo::exists(received.at(2))) << received.at(2).toStdString();
    EXPECT_EQ(NativeNames::userPath(received.at(2)), music.path() + "/gbk-月亮.ape");
}

TEST_F(StartupTest, WithoutADisplayOrWithAnUnknownOptionTheProgramSaysSoAndEnds) {
    struct Case {
        QStringList arguments;
        QStringList environment;
        const char* said;
    };
    const QStringList noDisplay = {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="};
    for (const Case& c : {Case{{}, noDisplay, "no display: the window cannot open"},
                          Case{{"--bogus"}, noDisplay, "unknown option --bogus"},
                          Case{{"--bogus"}, {"QT_QPA_PLATFORM=offscreen"}, "unknown option"}}) {
        const ProcessResult result =
            runProgram(TestPaths::programFolder() + "/vordana", c.arguments, 20000, c.environment);
        EXPECT_EQ(result.exitCode, 2) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(c.said)) << result.err.toStdString();
    }
}
