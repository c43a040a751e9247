#include "MainWindowLayout.h"
#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

TEST_F(WindowTest, VisibleControlsSitAtTheirDesignPositionsAt96Dpi) {
    frmMain& w = window();
    ASSERT_EQ(MainWindowLayout::twipsPerPixelX(&w), 15.0) << "the offscreen display is 96 dpi";
    const struct {
        QWidget* control;
        QRect pixels;
    } expected[] = {
        {widget<QTreeView>(w, "LV"), {4, 90, 455, 274}},
        {widget<QFrame>(w, "picText"), {152, 208, 163, 21}},
        {widget<QComboBox>(w, "cmbR"), {486, 161, 189, 22}},
        {widget<QComboBox>(w, "cmbBR"), {486, 215, 189, 22}},
        {widget<QComboBox>(w, "cmbChannel"), {486, 271, 189, 22}},
        {widget<QLineEdit>(w, "txtPath"), {486, 329, 137, 21}},
        {widget<QPushButton>(w, "cmdBrowse"), {628, 330, 47, 20}},
        {widget<QPushButton>(w, "Command3"), {488, 364, 189, 59}},
        {widget<QProgressBar>(w, "pb"), {4, 398, 457, 21}},
        {widget<HotSpot>(w, "lblFeed"), {624, 432, 48, 13}},
        {widget<HotSpot>(w, "imgExit"), {672, 10, 15, 15}},
        {widget<QToolButton>(w, "CmdToolsBar4"), {282, 0, 95, 66}},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(e.control->geometry(), e.pixels) << e.control->objectName().toStdString();
        EXPECT_FALSE(e.control->isHidden()) << e.control->objectName().toStdString();
    }
    EXPECT_EQ(widget<QWidget>(w, "client")->size(), QSize(698, 455));
    EXPECT_EQ(widget<QPushButton>(w, "Command3")->text(), u("立刻开始转换！"));
    EXPECT_EQ(widget<QToolButton>(w, "CmdToolsBar2")->text(), u("移除文件"));
    EXPECT_EQ(widget<QToolButton>(w, "CmdToolsBar2")->toolTip(), "Remove File(s) from List");
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->toolTip(), "Select a Folder to Output");
    EXPECT_EQ(widget<QTreeView>(w, "LV")->model()->headerData(0, Qt::Horizontal).toString(),
              u("文件名"));
    EXPECT_EQ(w.windowTitle(), "Vordana");
    // The format and video boxes exist but are not seen; the picture bar lies below the area.
    for (const char* hidden : {"cmbOF", "cmbS", "cmbVB", "cmbF", "txtAction"}) {
        EXPECT_TRUE(widget<QWidget>(w, hidden)->isHidden()) << hidden;
    }
    const QWidget* client = widget<QWidget>(w, "client");
    EXPECT_GE(widget<QLabel>(w, "imgPB")->y(), client->height());
    EXPECT_GE(widget<HotSpot>(w, "picDrag")->x(), client->width());
}

TEST_F(WindowTest, AtTwelveTwipsPerPixelTwipsAndFontsShrinkAndPixelsStay) {
    frmMain& w = window(false);
    QTreeView* LV = widget<QTreeView>(w, "LV");
    QLineEdit* txtPath = widget<QLineEdit>(w, "txtPath");
    const QRect lvPixels = LV->geometry();
    const double lvFont = LV->font().pointSizeF();
    const double pathFont = txtPath->font().pointSizeF();
    w.scaleForDisplay(12, 12);
    const QRectF lv = MainWindowLayout::twips(LV);
    EXPECT_DOUBLE_EQ(lv.left(), 60 * 0.8);
    EXPECT_DOUBLE_EQ(lv.top(), 1350 * 0.8);
    EXPECT_DOUBLE_EQ(lv.width(), 6825 * 0.8);
    EXPECT_DOUBLE_EQ(MainWindowLayout::twips(widget<QPushButton>(w, "Command3")).height(),
                     885 * 0.8);
    EXPECT_EQ(LV->geometry(), lvPixels) << "the design size in pixels is kept";
    EXPECT_NEAR(LV->font().pointSizeF(), lvFont * 0.8, 0.01);
    EXPECT_NEAR(txtPath->font().pointSizeF(), pathFont * 0.8 * 0.8, 0.01);
}

TEST_F(WindowTest, StartWithAnEmptyListAsksForAFileAndChangesNothing) {
    frmMain& w = window();
    m_prompts.expectMessage();
    QTest::mouseClick(widget<QPushButton>(w, "Command3"), Qt::LeftButton);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_EQ(m_prompts.messages()[0].text, u("请先添加一个文件"));
    EXPECT_EQ(m_prompts.messages()[0].caption, u("添加"));
    EXPECT_EQ(m_prompts.messages()[0].icon, Prompts::Icon::Exclamation);
    EXPECT_FALSE(w.isConverting());
    EXPECT_TRUE(widget<QPushButton>(w, "Command3")->isEnabled());
    EXPECT_TRUE(widget<QComboBox>(w, "cmbBR")->isEnabled());
}

TEST_F(WindowTest, ListAndQueueAgreeThroughAddRemoveAndClear) {
    frmMain& w = window();
    for (const char* path : {"/m/a.ape", "/m/b.flac", "/m/c.ape"}) {
        w.AddFileRow(path);
    }
    ASSERT_EQ(rowCount(w), 3);
    EXPECT_EQ(rowText(w, 1, 1), "LAC");
    selectRow(w, 1);
    w.RemoveSelectedRow();
    EXPECT_EQ(w.lstFile.paths(), (QStringList{"/m/a.ape", "/m/c.ape"}));
    EXPECT_EQ(rowText(w, 1, 0), "c.ape");
    w.ShowHintIfEmpty();
    EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden());
    w.ClearList();
    EXPECT_TRUE(w.lstFile.isEmpty());
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_FALSE(widget<QFrame>(w, "picText")->isHidden());
}

TEST_F(WindowTest, RunConvertsEverythingIncludingFilesAddedMeanwhileAndResets) {
    useEncoder("fake_coder");
    frmMain& w = window();
    const QString out = folder() + "/out";
    widget<QLineEdit>(w, "txtPath")->setText(out);  // no trailing separator
    w.AddFileRow(input("/one.ape"));
    w.AddFileRow(input("/two.ape"));
    bool added = false;
    QObject::connect(&w.run(), &ConversionRun::fileStarted, [&] {
        if (!added) {
            added = true;
            w.AddFileRow(input("/late.ape"));
        }
    });
    bool disabledDuringRun = false;
    QStringList folderAtStart;
    QObject::connect(&w.run(), &ConversionRun::fileStarted, [&] {
        disabledDuringRun = widget<QPushButton>(w, "Command3")->isEnabled() &&
                            widget<QPushButton>(w, "Command3")->text() == u("停止转换") &&
                            !widget<QComboBox>(w, "cmbBR")->isEnabled();
        folderAtStart << widget<QLineEdit>(w, "txtPath")->text();
    });
    convert(w);

    EXPECT_TRUE(disabledDuringRun);
    EXPECT_EQ(folderAtStart.value(0), out + "/") << "the separator comes before the first file";
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), out + "/");
    EXPECT_EQ(w.run().results().size(), 3);
    EXPECT_TRUE(w.run().results().last().input.endsWith("/late.ape"));
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(w.lstFile.isEmpty());
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_EQ(m_prompts.opened(), QStringList{out + "/"});
    EXPECT_EQ(m_prompts.sounds(), QStringList{folder() + "/sound.wav"});
    EXPECT_FALSE(widget<HotSpot>(w, "picDrag")->isHidden());
    EXPECT_EQ(widget<QLabel>(w, "lblPB")->text(), "Done.");
    EXPECT_EQ(widget<QProgressBar>(w, "pb")->value(), 0);
    EXPECT_EQ(widget<QLabel>(w, "imgPB")->width(), 0);
    EXPECT_TRUE(widget<QPushButton>(w, "Command3")->isEnabled());
    EXPECT_TRUE(widget<QComboBox>(w, "cmbBR")->isEnabled());
    EXPECT_TRUE(widget<QToolButton>(w, "CmdToolsBar0")->isEnabled());
}

TEST_F(WindowTest, SoundStaysOffWhenTheOptionsSaySo) {
    useEncoder("fake_coder");
    QFile options(folder() + "/options.ini");
    ASSERT_TRUE(options.open(QIODevice::WriteOnly));
    options.write("1\r\n0\r\n0\r\n0\r\n");
    options.close();
    frmMain& w = window();
    w.AddFileRow(input("/one.ape"));
    convert(w);
    EXPECT_TRUE(m_prompts.sounds().isEmpty());
    EXPECT_EQ(widget<QLabel>(w, "lblPB")->text(), "Done.");
}

TEST_F(WindowTest, FailedFileIsNamedAndTheRunDoesNotSayDone) {
    useEncoder("fake_coder");
    frmMain& w = window();
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/out/");
    w.AddFileRow(input("/good.ape"));
    w.AddFileRow(input("/will-fail.ape"));
    m_prompts.expectMessage();
    convert(w);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains(folder() + "/will-fail.ape"));
    EXPECT_TRUE(m_prompts.messages()[0].text.contains("coder: conversion failed"));
    EXPECT_NE(widget<QLabel>(w, "lblPB")->text(), "Done.");
    EXPECT_EQ(w.lstFile.paths(), QStringList{folder() + "/will-fail.ape"});
    EXPECT_EQ(QDir(folder() + "/out").entryList(QDir::Files).size(), 1) << "no partial output";
}

TEST_F(WindowTest, MissingEncoderIsToldOnceAndTheFilesStay) {
    frmMain& w = window();  // no data/coder
    w.AddFileRow(input("/a.ape"));
    w.AddFileRow(input("/b.ape"));
    m_prompts.expectMessage();
    convert(w, 20000);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_EQ(m_prompts.messages()[0].text, "File or command not found");
    EXPECT_EQ(w.lstFile.count(), 2);
    EXPECT_EQ(rowCount(w), 2);
    EXPECT_TRUE(widget<QPushButton>(w, "Command3")->isEnabled());
    EXPECT_TRUE(m_prompts.opened().isEmpty());
}

TEST_F(WindowTest, RealWindowConvertsThreeFixturesToMp3) {
    useEncoder("coder");
    frmMain& w = window();
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/mp3");
    for (const char* name : {"tone.wav", "月亮代表我的心.ape", "my song.live.2010.ape"}) {
        w.AddFileRow(TestPaths::fixture(QString::fromUtf8(name)));
    }
    convert(w);
    const QStringList outputs = QDir(folder() + "/mp3").entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 3) << outputs.join(", ").toStdString();
    for (const QString& name : outputs) {
        const MediaInfo info = probeMedia(folder() + "/mp3/" + name);
        EXPECT_EQ(info.codec, "mp3") << name.toStdString();
        EXPECT_EQ(info.sampleRate, 48000);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.bitRate, 320000);
    }
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_EQ(widget<QLabel>(w, "lblPB")->text(), "Done.");
}

TEST_F(WindowTest, RealWindowConvertsAVideoWithTheFormatSetupIniRestores) {
    useEncoder("coder");
    QFile setup(folder() + "/setup.ini");
    ASSERT_TRUE(setup.open(QIODevice::WriteOnly));
    setup.write("\"-1\"\r\n\"-1\"\r\n\"1\"\r\n\"" + QFile::encodeName(folder()) +
                "/video\"\r\n\"7\"\r\n");  // line 5: 3GP
    setup.close();
    frmMain& w = window();
    EXPECT_EQ(widget<QComboBox>(w, "cmbOF")->currentIndex(), 7);
    EXPECT_EQ(w.findChild<QLabel*>("Label9")->text(), QString::fromUtf8("MP3 - 音乐声音格式"))
        << "the window keeps saying MP3 whatever the format";
    QStringList labels;
    QObject::connect(&w.run(), &ConversionRun::progressChanged, [&](int, const ProgressReport&) {
        labels << widget<QLabel>(w, "lblPB")->text();
    });
    w.AddFileRow(QStringLiteral(VORDANA_FIXTURES_DIR "/video/clip-320x240-25fps-3s.avi"));
    convert(w);
    const QStringList outputs = QDir(folder() + "/video").entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 1) << labels.join(" | ").toStdString();
    EXPECT_TRUE(outputs[0].endsWith(".3gp"));
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QString& l) {
        return l.startsWith(QString::fromUtf8("转换中"));
    })) << "the first stage shows the video encoder's figures";
    EXPECT_TRUE(labels.last().startsWith(QString::fromUtf8("完成")) ||
                labels.last().startsWith(QString::fromUtf8("创建中")))
        << "the second stage shows the others: " << labels.last().toStdString();
    EXPECT_EQ(widget<QLabel>(w, "lblPB")->text(), "Done.");
}

TEST_F(WindowTest, RealWindowConvertsToTheFormatChosenInTheMenu) {
    useEncoder("coder");
    frmMain& w = window();
    w.findChild<QAction*>("menuFormat9")->trigger();  // FLAC
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/flac");
    w.AddFileRow(TestPaths::fixture("tone-44k-stereo-16bit-c2000.ape"));
    convert(w);
    const QStringList outputs = QDir(folder() + "/flac").entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 1) << outputs.join(", ").toStdString();
    EXPECT_TRUE(outputs[0].endsWith(".flac")) << outputs[0].toStdString();
    const MediaInfo info = probeMedia(folder() + "/flac/" + outputs[0]);
    EXPECT_EQ(info.codec, "flac");
    EXPECT_EQ(info.sampleRate, 44100) << "the source's own rate";
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(widget<QLabel>(w, "lblPB")->text(), "Done.");
}

TEST_F(WindowTest, RealWindowNamesTheBadFixtureBetweenTwoGoodOnes) {
    useEncoder("coder");
    frmMain& w = window();
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/mp3");
    w.AddFileRow(TestPaths::fixture("tone.wav"));
    w.AddFileRow(TestPaths::fixture("truncated.ape"));
    w.AddFileRow(TestPaths::fixture("tagged-44k-stereo.ape"));
    m_prompts.expectMessage();
    convert(w);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains(TestPaths::fixture("truncated.ape")));
    EXPECT_EQ(QDir(folder() + "/mp3").entryList(QDir::Files).size(), 2);
    EXPECT_EQ(rowCount(w), 1);
}

TEST_F(WindowTest, TheFileBeingConvertedCannotBeRemovedAndAStartDuringARunIsIgnored) {
    useEncoder("fake_coder");
    frmMain& w = window();
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/out/");
    w.AddFileRow(input("/head.ape"));
    w.AddFileRow(input("/second.ape"));
    w.AddFileRow(input("/third.ape"));
    bool once = false;
    QObject::connect(&w.run(), &ConversionRun::fileStarted, [&] {
        if (once) {
            return;
        }
        once = true;
        selectRow(w, 0);
        w.RemoveSelectedRow();  // the head converts: nothing happens
        w.imgStart_Click();     // a second start: ignored
        selectRow(w, 2);
        w.RemoveSelectedRow();  // a waiting file may go
        EXPECT_EQ(w.lstFile.count(), 2);
    });
    convert(w);
    ASSERT_EQ(w.run().results().size(), 2);
    EXPECT_TRUE(w.run().results()[0].input.endsWith("/head.ape"));
    EXPECT_TRUE(w.run().results()[1].input.endsWith("/second.ape"));
    EXPECT_TRUE(w.run().results()[0].converted());

    // Clearing during a run keeps the head, which finishes normally.
    w.AddFileRow(input("/a.ape"));
    w.AddFileRow(input("/b.ape"));
    bool cleared = false;
    QObject::connect(&w.run(), &ConversionRun::fileStarted, [&] {
        if (!cleared) {
            cleared = true;
            w.ClearList();
            EXPECT_EQ(w.lstFile.paths(), QStringList{folder() + "/a.ape"});
            EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden())
                << "the hint belongs to an empty list only";
        }
    });
    convert(w);
    ASSERT_EQ(w.run().results().size(), 1);
    EXPECT_TRUE(w.run().results()[0].converted());
    EXPECT_EQ(rowCount(w), 0);
}

TEST_F(WindowTest, HotSpotsLightUnderTheMouseAndRestOverTheBackground) {
    frmMain& w = window();
    HotSpot* imgHelp = widget<HotSpot>(w, "imgHelp");
    HotSpot* imgExit = widget<HotSpot>(w, "imgExit");
    HotSpot* lblFeed = widget<HotSpot>(w, "lblFeed");
    const auto move = [](QWidget* target, QPoint at) {
        QMouseEvent event(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    EXPECT_TRUE(imgHelp->pixmap().isNull()) << "at rest the hot-spot shows no picture";
    move(imgHelp, QPoint(3, 3));
    move(imgExit, QPoint(3, 3));
    move(lblFeed, QPoint(3, 3));
    EXPECT_FALSE(imgHelp->pixmap().isNull());
    EXPECT_FALSE(imgExit->pixmap().isNull());
    EXPECT_TRUE(lblFeed->font().bold());
    EXPECT_EQ(imgHelp->cursor().shape(), Qt::PointingHandCursor);

    move(widget<QWidget>(w, "client"), QPoint(300, 440));  // bare background between the controls
    EXPECT_TRUE(imgHelp->pixmap().isNull());
    EXPECT_TRUE(imgExit->pixmap().isNull());
    EXPECT_FALSE(lblFeed->font().bold());

    // The help click opens the help page and leaves the hot-spot at rest.
    move(imgHelp, QPoint(3, 3));
    QTest::mouseClick(imgHelp, Qt::LeftButton);
    EXPECT_EQ(m_prompts.opened(), QStringList{folder() + "/help.html"});
    EXPECT_TRUE(imgHelp->pixmap().isNull());
}

TEST_F(WindowTest, RateAndBitRateBoxesTakeNumbersOnly) {
    useEncoder("fake_coder");
    frmMain& w = window();
    QComboBox* cmbBR = widget<QComboBox>(w, "cmbBR");
    QComboBox* cmbR = widget<QComboBox>(w, "cmbR");
    cmbBR->setFocus();
    cmbBR->lineEdit()->clear();
    QTest::keyClicks(cmbBR->lineEdit(), "128k -y /out");
    EXPECT_EQ(cmbBR->currentText(), "128") << "letters, blanks and signs cannot be typed";
    cmbR->lineEdit()->clear();
    QTest::keyClicks(cmbR->lineEdit(), "44100 -t 1");
    EXPECT_EQ(cmbR->currentText(), "441001");
    cmbR->setEditText("12.2");
    EXPECT_EQ(w.run().settings().sampleRate, "12.2");

    // Whatever reaches the settings another way is still never pasted into a command line.
    cmbBR->setEditText("128 -t 1");
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/out");
    w.AddFileRow(input("/a.ape"));
    m_prompts.expectMessage();
    convert(w);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains("the bit rate \"128 -t 1\" is not a number"))
        << m_prompts.messages()[0].text.toStdString();
    EXPECT_TRUE(QDir(folder() + "/out").entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(WindowTest, TenThousandRowsClearAndTheHintComesBack) {
    frmMain& w = window();
    QStringList many;
    for (int i = 0; i < 10000; ++i) {
        many << QStringLiteral("/m/%1.ape").arg(i);
    }
    w.lstFile.append(many);
    w.ShowHintIfEmpty();
    ASSERT_EQ(rowCount(w), 10000);
    EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden());
    // The window gets its events while the list empties.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    w.ClearList();
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_TRUE(w.lstFile.isEmpty());
    EXPECT_FALSE(widget<QFrame>(w, "picText")->isHidden());
    EXPECT_GT(ticks, 0);
}
