#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>

#include "platform/PrivateTempFolder.h"

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
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
    EXPECT_EQ(w.cmbOF->currentIndex(), 8);
    EXPECT_EQ(w.cmbR->currentText(), "48000");
    EXPECT_EQ(w.cmbBR->currentText(), "320");
    EXPECT_EQ(w.cmbChannel->currentIndex(), 1);
    // The video boxes keep the presets of the first format selected on the way.
    EXPECT_EQ(w.cmbVB->currentText(), "1200");
    EXPECT_EQ(w.cmbF->currentText(), "29");
    EXPECT_EQ(w.cmbS->currentText(), u("原始大小"));
    EXPECT_EQ(w.txtPath->text(), folder() + "/output");
    EXPECT_FALSE(QFile::exists(folder() + "/options.ini")) << "loading creates no file";
    EXPECT_EQ(Options().SoundReminder, 0);
}

TEST_F(StartupTest, ExitWritesFiveQuotedLinesThatTheNextStartRestores) {
    {
        frmMain& w = window();
        w.cmbBR->setCurrentIndex(9);  // "128"
        w.cmbR->setCurrentIndex(4);   // "22050"
        w.cmbChannel->setCurrentIndex(0);
        w.txtPath->setText(u("/音乐/my, \"odd\" out"));
        w.imgExit_Click();
    }
    EXPECT_EQ(readFile("setup.ini"),
              u("\"9\"\r\n\"4\"\r\n\"0\"\r\n\"/音乐/my, \"odd\" out\"\r\n\"8\"\r\n").toUtf8());

    frmMain& again = window();
    EXPECT_EQ(again.cmbBR->currentText(), "128") << "the same format keeps the restored values";
    EXPECT_EQ(again.cmbR->currentText(), "22050");
    EXPECT_EQ(again.cmbChannel->currentIndex(), 0);
    EXPECT_EQ(again.txtPath->text(), u("/音乐/my, \"odd\" out"));
}

TEST_F(StartupTest, TypedValuesAreStoredAsNoSelection) {
    frmMain& w = window();
    w.cmbBR->setEditText("100");
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
        EXPECT_EQ(w.cmbBR->currentText(), c.bitRate) << c.content.toStdString();
        EXPECT_EQ(w.cmbR->currentText(), c.rate) << c.content.toStdString();
        EXPECT_EQ(w.cmbChannel->currentIndex(), c.channel) << c.content.toStdString();
        EXPECT_EQ(w.txtPath->text(), c.path) << c.content.toStdString();
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

TEST_F(StartupTest, SecondInstanceEndsAtOnce) {
    const QString program = TestPaths::programFolder() + "/vordana";
    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    first.setProcessEnvironment(environment);
    first.start(program, {});
    ASSERT_TRUE(first.waitForStarted());
    QTest::qWait(3000);  // let it start and take the instance lock, even on a busy machine
    ASSERT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(program, {});
    EXPECT_TRUE(second.waitForFinished(10000)) << "the second instance did not end";
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance is unaffected";
    first.kill();
    first.waitForFinished();
}
