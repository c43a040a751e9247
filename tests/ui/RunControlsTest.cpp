#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>

#include <algorithm>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

QString label(const frmMain& w) {
    return widget<QLabel>(w, "lblPB")->text();
}

}  // namespace

TEST_F(WindowTest, TwoFilesAtOnceShowTheirOwnPercentsTheWholeRunsShareAndEndOnce) {
    useEncoder("fake_coder");
    m_filesAtOnce = 2;
    frmMain& w = window();
    const QString out = folder() + "/out";
    widget<QLineEdit>(w, "txtPath")->setText(out);
    for (const char* name : {"/slow-1.ape", "/nap-2.ape", "/nap-3.ape"}) {
        w.AddFileRow(input(name));
    }
    QStringList tags;
    QList<int> shares;
    qsizetype mostAtOnce = 0;
    QObject::connect(&w.run(), &ConversionRun::progressChanged, [&] {
        mostAtOnce = std::max(mostAtOnce, w.lstFile.busyCount());
        for (int row = 0; row < rowCount(w); ++row) {
            tags << rowText(w, row, 1);
        }
        static const QRegularExpression share(u("^总进度 (\\d+)%$"));
        shares << share.match(label(w)).captured(1).toInt();
    });
    QList<int> rowsLeft;
    QObject::connect(&w.run(), &ConversionRun::fileFinished, [&] { rowsLeft << rowCount(w); });
    QSignalSpy ends(&w.run(), &ConversionRun::runFinished);
    convert(w);

    EXPECT_EQ(mostAtOnce, 2) << "two encoders at work together";
    EXPECT_TRUE(tags.contains("APE 50%")) << tags.join(" | ").toStdString();
    EXPECT_TRUE(tags.contains("APE 100%"));
    ASSERT_FALSE(shares.isEmpty());
    EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end())) << "the whole run's share only grows";
    EXPECT_GT(shares.last(), 50);
    EXPECT_EQ(rowsLeft, (QList<int>{2, 1, 0})) << "each row leaves as its file finishes";
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), 3);
    EXPECT_EQ(ends.count(), 1);
    EXPECT_EQ(m_prompts.opened(), QStringList{out + "/"});
    EXPECT_EQ(m_prompts.sounds().size(), 1);
    EXPECT_EQ(label(w), "Done.");
    EXPECT_EQ(widget<QProgressBar>(w, "pb")->value(), 0);
}

TEST_F(WindowTest, AStopDuringTheFirstOrSecondFileEndsItsEncoderAndKeepsEveryRowNotDone) {
    useEncoder("fake_coder");
    const struct {
        int stopAtFile;
        const char* how;
    } cases[] = {{1, "Command3"}, {2, "menuStop"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        frmMain& w = window();
        const QString out = folder() + "/stop-" + c.how;
        widget<QLineEdit>(w, "txtPath")->setText(out);
        // The first file ends on its own in 400 ms unless it is the one stopped.
        for (const char* name :
             {c.stopAtFile == 1 ? "/slow-1.ape" : "/nap-1.ape", "/slow-2.ape", "/slow-3.ape"}) {
            w.AddFileRow(input(name));
        }
        int started = 0;
        QObject::connect(&w.run(), &ConversionRun::fileStarted, [&] {
            if (++started == c.stopAtFile) {
                // Once its encoder is under way and has written part of its file.
                QTimer::singleShot(200, &w, [&] {
                    if (QString(c.how) == "Command3") {
                        QTest::mouseClick(widget<QPushButton>(w, "Command3"), Qt::LeftButton);
                    } else {
                        w.findChild<QAction*>("menuStop")->trigger();
                    }
                });
            }
        });
        convert(w, 20000);

        EXPECT_TRUE(processesMentioning(out).isEmpty()) << "an encoder was left running";
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden).size(), c.stopAtFile - 1)
            << "a partial output was left";
        EXPECT_EQ(rowCount(w), 4 - c.stopAtFile) << "the stopped file and those after it stay";
        EXPECT_EQ(label(w), u("已停止"));
        EXPECT_EQ(widget<QPushButton>(w, "Command3")->text(), u("立刻开始转换！"));
        EXPECT_TRUE(widget<QComboBox>(w, "cmbBR")->isEnabled());
        EXPECT_TRUE(m_prompts.sounds().isEmpty());
        EXPECT_TRUE(m_prompts.opened().isEmpty());
        EXPECT_TRUE(m_prompts.messages().isEmpty());
    }
}

TEST_F(WindowTest, AFailedFileStaysMarkedAndConvertsOnTheNextStartOnceMended) {
    useEncoder("fake_coder");
    frmMain& w = window();
    widget<QLineEdit>(w, "txtPath")->setText(folder() + "/out");
    const QString broken = folder() + "/broken.ape";
    ASSERT_TRUE(QDir().mkdir(broken));  // a folder where a file should be
    w.AddFileRow(broken);
    w.AddFileRow(input("/good.ape"));
    m_prompts.expectMessage();
    convert(w);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains(broken));
    EXPECT_EQ(w.run().results().size(), 2) << "within one run a failed file is not retried";
    ASSERT_EQ(rowCount(w), 1);
    EXPECT_EQ(rowText(w, 0, 0), "broken.ape");
    EXPECT_EQ(rowText(w, 0, 1), u("失败"));
    const QString tip =
        widget<QTreeView>(w, "LV")->model()->index(0, 1).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(broken + "\n")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("not a regular file")) << tip.toStdString();

    ASSERT_TRUE(QDir().rmdir(broken));
    input("/broken.ape");
    convert(w);
    ASSERT_EQ(w.run().results().size(), 1);
    EXPECT_TRUE(w.run().results()[0].converted());
    EXPECT_EQ(rowCount(w), 0);
    EXPECT_EQ(label(w), "Done.");
    EXPECT_EQ(QDir(folder() + "/out").entryList(QDir::Files).size(), 2);
}

TEST_F(WindowTest, ShortcutsSitOnTheCommandsAndDeleteRemovesEverySelectedRow) {
    frmMain& w = window();
    const struct {
        const char* command;
        QKeySequence key;
        bool inMenu;
    } keys[] = {
        {"menuAdd", QKeySequence(Qt::CTRL | Qt::Key_O), true},
        {"menuAddFolder", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), true},
        {"menuDelete", QKeySequence(Qt::Key_Delete), true},
        {"menuStart", QKeySequence(Qt::CTRL | Qt::Key_Return), true},
        {"menuHelp", QKeySequence(Qt::Key_F1), true},
        {"menuExit", QKeySequence(Qt::CTRL | Qt::Key_Q), true},
        {"menuStop", QKeySequence(Qt::Key_Escape), false},
    };
    for (const auto& k : keys) {
        const QAction* action = w.findChild<QAction*>(k.command);
        ASSERT_NE(action, nullptr) << k.command;
        EXPECT_EQ(action->shortcut(), k.key) << k.command;
        const QList<QObject*> holders = action->associatedObjects();
        EXPECT_EQ(std::any_of(holders.begin(), holders.end(),
                              [](QObject* o) { return qobject_cast<QMenu*>(o) != nullptr; }),
                  k.inMenu)
            << k.command;
    }

    for (int i = 0; i < 5; ++i) {
        w.AddFileRow(QStringLiteral("/m/%1.ape").arg(i));
    }
    w.show();
    QApplication::setActiveWindow(&w);
    QTreeView* list = widget<QTreeView>(w, "LV");
    list->setFocus();
    for (int row : {1, 3, 4}) {
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(w.lstFile.paths(), (QStringList{"/m/0.ape", "/m/2.ape"}));
}
