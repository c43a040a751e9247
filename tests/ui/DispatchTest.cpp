#include "HelpAbout.h"
#include "WindowTestSupport.h"
#include "frmMenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

void fill(frmMain& w, int rows, int selected) {
    for (int i = 0; i < rows; ++i) {
        w.AddFileRow(QStringLiteral("/m/%1.ape").arg(i));
    }
    selectRow(w, selected);
}

}  // namespace

TEST_F(WindowTest, EachCommandWordPerformsItsActionOnceAndTheFieldEmpties) {
    frmMain& w = window();
    fill(w, 3, 1);
    QLineEdit* txtAction = widget<QLineEdit>(w, "txtAction");
    txtAction->setText("RemoveSelected");
    EXPECT_EQ(w.lstFile.paths(), (QStringList{"/m/0.ape", "/m/2.ape"}));
    EXPECT_TRUE(txtAction->text().isEmpty());

    m_prompts.expectMessage();
    txtAction->setText("A");
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_EQ(m_prompts.messages()[0].text, noticeText());

    m_prompts.expectOpenFile(std::nullopt);
    txtAction->setText("AddaFile");
    ASSERT_EQ(m_prompts.fileRequests().size(), 1);
    EXPECT_EQ(m_prompts.fileRequests()[0].title, "Open Files");

    m_prompts.expectFolder(std::nullopt);
    txtAction->setText("menuAddaFolder");
    EXPECT_EQ(m_prompts.folderInstructions(), QStringList{u("选择一个文件夹:")});

    txtAction->setText("menuHelp");
    EXPECT_EQ(m_prompts.opened(), QStringList{folder() + "/help.html"});

    QString modalName;
    m_prompts.expectModal([&](QObject* window) { modalName = window->metaObject()->className(); });
    txtAction->setText("menuOption");
    EXPECT_EQ(modalName, "frmOptions");
    EXPECT_TRUE(txtAction->text().isEmpty());

    txtAction->setText("menuExit");
    EXPECT_TRUE(QFile::exists(folder() + "/setup.ini")) << "exit stores the settings";
    EXPECT_TRUE(txtAction->text().isEmpty());
}

TEST_F(WindowTest, OnlyTheExactWordCountsAndTheSameWordTwiceActsTwice) {
    frmMain& w = window();
    fill(w, 4, 0);
    QLineEdit* txtAction = widget<QLineEdit>(w, "txtAction");
    for (const char* near : {"removeselected", "RemoveSelected ", " RemoveSelected", "Remove"}) {
        txtAction->setText(near);
        EXPECT_TRUE(txtAction->text().isEmpty()) << near;
    }
    EXPECT_EQ(w.lstFile.count(), 4);
    txtAction->setText("RemoveSelected");
    selectRow(w, 0);
    txtAction->setText("RemoveSelected");
    EXPECT_EQ(w.lstFile.paths(), (QStringList{"/m/2.ape", "/m/3.ape"}));
}

TEST_F(WindowTest, ToolButtonsOutsideTheRowDoNothingAndRemoveOffersItsGroup) {
    frmMain& w = window();
    fill(w, 3, 0);
    for (int index : {8, -1, 3, 6, 7}) {
        w.CmdToolsBar_Click(index);  // any prompt here would fail the test
    }
    EXPECT_EQ(w.lstFile.count(), 3);

    m_prompts.expectPopup(u("移除选择项"));
    QTest::mouseClick(widget<QToolButton>(w, "CmdToolsBar2"), Qt::LeftButton);
    ASSERT_EQ(m_prompts.popupCaptions().size(), 1);
    EXPECT_EQ(m_prompts.popupCaptions()[0], (QStringList{u("移除选择项"), u("移除全部")}));
    EXPECT_EQ(w.lstFile.paths(), (QStringList{"/m/1.ape", "/m/2.ape"}));

    // Its remove-all item is the menu bar's clear command.
    QSignalSpy clear(w.findChild<QAction*>("menuClear"), &QAction::triggered);
    m_prompts.expectPopup(u("移除全部"));
    w.CmdToolsBar_Click(2);
    EXPECT_EQ(clear.count(), 1);
    EXPECT_TRUE(w.lstFile.isEmpty());
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_FALSE(widget<QFrame>(w, "picText")->isHidden());
}

TEST_F(WindowTest, MenuBarAndRightClickReachTheSameOperations) {
    frmMain& w = window();
    fill(w, 2, 1);
    w.findChild<QAction*>("menuDelete")->trigger();
    EXPECT_EQ(w.lstFile.paths(), QStringList{"/m/0.ape"});
    w.findChild<QAction*>("menuClear")->trigger();
    EXPECT_TRUE(w.lstFile.isEmpty());

    m_prompts.expectOpenFile(QStringLiteral("/m/picked.wav"));
    w.findChild<QAction*>("menuAdd")->trigger();
    EXPECT_EQ(w.lstFile.paths(), QStringList{"/m/picked.wav"});

    // The right click on the list offers the File, Options and About groups and the formats.
    m_prompts.expectPopup(u("关于(&A)"));
    m_prompts.expectMessage();
    emit widget<QTreeView>(w, "LV")->customContextMenuRequested(QPoint(5, 5));
    ASSERT_EQ(m_prompts.popupCaptions().size(), 1);
    for (const char* caption : {"File", "Options", "About", "添加文件(&A)", "添加目录(&F)",
                                "退出(&E)", "设置(&O)", "帮助(&H)", "输出格式"}) {
        EXPECT_TRUE(m_prompts.popupCaptions()[0].contains(u(caption))) << caption;
    }
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_EQ(m_prompts.messages()[0].text, noticeText());
}

TEST_F(WindowTest, FeedbackWebLinkAndAboutOpenFromTheWindow) {
    frmMain& w = window();
    QStringList opened;
    for (int i = 0; i < 2; ++i) {  // the same window comes back, empty
        m_prompts.expectModal(
            [&](QObject* window) { opened << window->metaObject()->className(); });
        QTest::mouseClick(widget<HotSpot>(w, "lblFeed"), Qt::LeftButton);
    }
    EXPECT_EQ(opened, (QStringList{"frmSuggest", "frmSuggest"}));

    QTest::mouseClick(widget<HotSpot>(w, "lblWeb"), Qt::LeftButton);
    ASSERT_EQ(m_prompts.opened().size(), 1);
    EXPECT_TRUE(m_prompts.opened()[0].contains(".example")) << "never a real address";

    m_prompts.expectMessage();
    w.findChild<QAction*>("menuAbout")->trigger();
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_EQ(m_prompts.messages()[0].caption, u("关于"));
    EXPECT_TRUE(m_prompts.messages()[0].text.contains("Vordana"));
}
