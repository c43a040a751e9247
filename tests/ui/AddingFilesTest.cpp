#include "WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>

#include <sys/stat.h>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

void drop(QWidget* target, QMimeData* data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

TEST_F(WindowTest, OpenDialogAddsTheFileAndTheNextOneStartsInItsFolder) {
    frmMain& w = window();
    m_prompts.expectOpenFile(QStringLiteral("/music/a.ape"));
    w.AddFileByDialog();
    EXPECT_EQ(w.lstFile.paths(), QStringList{"/music/a.ape"});
    EXPECT_EQ(w.LastAddFolder, "/music/");
    EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden());
    ASSERT_EQ(m_prompts.fileRequests().size(), 1);
    EXPECT_EQ(m_prompts.fileRequests()[0].filter,
              u("APE声音文件(*.APE, *.ape)|*.ape|CUE文件(*.cue)|*.cue|所有格式文件(*.*)|*.*"));

    m_prompts.expectOpenFile(std::nullopt);  // cancelled: nothing changes
    w.AddFileByDialog();
    EXPECT_TRUE(m_prompts.fileRequests()[1].folder.startsWith("/music"));
    EXPECT_EQ(w.lstFile.count(), 1);
    EXPECT_EQ(w.LastAddFolder, "/music/");

    m_prompts.expectOpenFile(QStringLiteral("/music/b.wav"));
    w.AddFileByDialog();
    EXPECT_EQ(rowText(w, 1, 1), "WAV");
}

TEST_F(WindowTest, FolderScanAddsEveryApeFileInOrderAndSurvivesLinkLoops) {
    QTemporaryDir tree;
    const QString root = tree.path();
    QDir(root).mkpath("sub");
    QDir(root).mkpath("old.ape");
    for (const char* name : {"a.ape", "b.APE", "c.mp3", "x.apex", "x.ape.bak", ".ape", "sub/d.Ape",
                             "old.ape/inside.ape"}) {
        touch(root + "/" + name);
    }
    for (int i = 0; i < 250; ++i) {
        const QString sub = QStringLiteral("%1/many/s%2").arg(root).arg(i, 3, 10, QLatin1Char('0'));
        QDir().mkpath(sub);
        touch(sub + "/t.ape");
    }
    ASSERT_TRUE(QFile::link(root, root + "/sub/loop"));

    frmMain& w = window();
    m_prompts.expectFolder(root);
    w.AddFolderByDialog();

    QStringList expected = {root + "/.ape", root + "/a.ape", root + "/b.APE"};
    for (int i = 0; i < 250; ++i) {  // every one of them, however many
        expected << QStringLiteral("%1/many/s%2/t.ape").arg(root).arg(i, 3, 10, QLatin1Char('0'));
    }
    expected << root + "/old.ape/inside.ape" << root + "/sub/d.Ape";
    EXPECT_EQ(w.lstFile.paths(), expected);
    EXPECT_EQ(rowCount(w), expected.size());
    EXPECT_EQ(widget<QLabel>(w, "lblText")->text(), u("拖拽文件到这里开始转换"));
    EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden());
}

TEST_F(WindowTest, CancelledFolderScanAddsNothingAndTheHintComesBack) {
    frmMain& w = window();
    m_prompts.expectFolder(std::nullopt);
    w.AddFolderByDialog();
    EXPECT_TRUE(w.lstFile.isEmpty());
    EXPECT_FALSE(widget<QFrame>(w, "picText")->isHidden());
    EXPECT_EQ(widget<QLabel>(w, "lblText")->text(), u("拖拽文件到这里开始转换"));
}

TEST_F(WindowTest, DropsAddFilesAndFoldersAsRowsAndIgnoreText) {
    frmMain& w = window();
    w.show();  // drops reach only widgets that are on screen
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile("/in/a.ape"), QUrl::fromLocalFile("/in/b.wav"),
                    QUrl::fromLocalFile("/in/c.txt")});
    drop(widget<QTreeView>(w, "LV")->viewport(), files);
    ASSERT_EQ(rowCount(w), 3);
    EXPECT_EQ(rowText(w, 0, 1), "APE");
    EXPECT_EQ(rowText(w, 1, 1), "WAV");
    EXPECT_EQ(rowText(w, 2, 1), "TXT");
    EXPECT_TRUE(widget<QFrame>(w, "picText")->isHidden());

    auto* folderDrop = new QMimeData;
    folderDrop->setUrls({QUrl::fromLocalFile(folder())});
    drop(widget<HotSpot>(w, "picDrag"), folderDrop);
    ASSERT_EQ(w.lstFile.count(), 4);
    EXPECT_EQ(w.lstFile.paths().last(), folder());
    EXPECT_EQ(rowText(w, 3, 1), folder().right(3).toUpper());

    auto* text = new QMimeData;
    text->setText("some selected text");
    drop(widget<QTreeView>(w, "LV")->viewport(), text);
    EXPECT_EQ(w.lstFile.count(), 4);
    delete files;
    delete folderDrop;
    delete text;
}

TEST_F(WindowTest, DropZoneClickAddsOneFileFromTheProgramFolder) {
    frmMain& w = window();
    m_prompts.expectOpenFile(QStringLiteral("/x/song.mp3"));
    QTest::mouseClick(widget<HotSpot>(w, "picDrag"), Qt::LeftButton);
    ASSERT_EQ(m_prompts.fileRequests().size(), 1);
    EXPECT_EQ(m_prompts.fileRequests()[0].title, u("打开文件"));
    EXPECT_EQ(m_prompts.fileRequests()[0].filter, "*.*|*.*");
    EXPECT_EQ(m_prompts.fileRequests()[0].folder, folder());
    EXPECT_EQ(rowText(w, 0, 1), "MP3");

    m_prompts.expectOpenFile(std::nullopt);
    QTest::mouseClick(widget<HotSpot>(w, "picDrag"), Qt::LeftButton);
    EXPECT_EQ(w.lstFile.count(), 1);
}

TEST_F(WindowTest, OutputFolderFromTheBrowserAndCancelRestoresTheDefault) {
    frmMain& w = window();
    m_prompts.expectFolder(QStringLiteral("/d/Music/Out"));
    QTest::mouseClick(widget<QPushButton>(w, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), "/d/Music/Out");
    EXPECT_EQ(m_prompts.folderInstructions(), QStringList{u("请选择一个文件夹:")});

    widget<QLineEdit>(w, "txtPath")->setText("/e/mp3");
    m_prompts.expectFolder(std::nullopt);
    w.imgBrowse_Click();
    EXPECT_EQ(widget<QLineEdit>(w, "txtPath")->text(), folder() + "/output");
}

TEST_F(WindowTest, ACueSheetComesInAsOneRowPerTrackFromEveryWayIn) {
    // The album in a folder of its own, beside a plain file.
    QTemporaryDir tree;
    const QString album = tree.path() + "/album";
    QDir().mkpath(album);
    for (const char* name : {"Live Set.ape", "Live Set.cue"}) {
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(VORDANA_FIXTURES_DIR "/cue/") + name, album + "/" + name));
    }
    touch(tree.path() + "/single.ape");
    const QStringList tracks = {u("Live Set.ape #01 Opening"), u("Live Set.ape #02 月光 Moonlight"),
                                u("Live Set.ape #03 Closing")};

    frmMain& w = window();
    m_prompts.expectOpenFile(album + "/Live Set.cue");
    w.AddFileByDialog();
    ASSERT_EQ(rowCount(w), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rowText(w, i, 0), tracks[i]);
        EXPECT_EQ(rowText(w, i, 1), "CUE");
    }
    // Rows of tracks behave like rows of files.
    selectRow(w, 1);
    w.RemoveSelectedRow();
    EXPECT_EQ(rowText(w, 1, 0), tracks[2]);
    w.ClearList();

    // The folder scan takes the tracks instead of the image.
    m_prompts.expectFolder(tree.path());
    w.AddFolderByDialog();
    QStringList rows;
    for (int i = 0; i < rowCount(w); ++i) {
        rows << rowText(w, i, 0);
    }
    EXPECT_EQ(rows, QStringList{"single.ape"} + tracks)
        << "the folder's own files first, then its subfolders'";

    // A dropped sheet too; one whose image is missing is told, not added.
    w.ClearList();
    QFile::remove(album + "/Live Set.ape");
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(album + "/Live Set.cue")});
    m_prompts.expectMessage();
    drop(widget<QTreeView>(w, "LV")->viewport(), data);
    EXPECT_EQ(rowCount(w), 0);
    ASSERT_EQ(m_prompts.messages().size(), 1);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains("no image found"))
        << m_prompts.messages()[0].text.toStdString();
    delete data;
}

TEST_F(WindowTest, FifosAndLinksToDevicesNeverHoldTheWindow) {
    QTemporaryDir tree;
    const QString root = tree.path();
    QDir(root).mkdir("album");
    for (const char* name : {"/pipe.cue", "/album/x.ape"}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(root + name).constData(), 0600), 0) << name;
    }
    ASSERT_TRUE(QFile::link("/dev/zero", root + "/album/x.cue"));
    touch(root + "/album/y.ape");

    frmMain& w = window();
    m_prompts.expectMessage();
    m_prompts.expectMessage();
    QElapsedTimer clock;
    clock.start();
    w.AddPaths({root + "/pipe.cue", root + "/album"});
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(w.lstFile.paths(), QStringList{root + "/album/y.ape"});
    // Each way in tells what it could not use, and why.
    ASSERT_EQ(m_prompts.messages().size(), 2);
    EXPECT_TRUE(m_prompts.messages()[0].text.contains("pipe.cue\nnot a regular file: a named pipe"))
        << m_prompts.messages()[0].text.toStdString();
    EXPECT_TRUE(m_prompts.messages()[1].text.contains("x.ape\nnot a regular file: a named pipe"));
    EXPECT_TRUE(m_prompts.messages()[1].text.contains("x.cue\nnot a regular file: a device"));
}
