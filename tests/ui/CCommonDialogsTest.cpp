#include "CCommonDialogs.h"

#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace {

const QString kApeFilter = QStringLiteral("APE声音文件(*.APE, *.ape)|*.ape|所有格式文件(*.*)|*.*");

}  // namespace

TEST(CCommonDialogsTest, OpenPassesTheRequestAndSplitsTheChosenFile) {
    ScriptedPrompts prompts;
    CCommonDialogs dialogs;
    dialogs.setTitle(QStringLiteral("Open Files"));
    dialogs.setFilter(kApeFilter);
    dialogs.setDefExt(QStringLiteral("ape"));
    dialogs.setFileName(QStringLiteral("start.ape"));
    // Longer than 260 characters, which is no limit here.
    const QString longName = QStringLiteral("/deep/") + QString(300, QLatin1Char('x')) + ".ape";
    prompts.expectOpenFile(QStringLiteral("/music/A/B.ape"));
    prompts.expectOpenFile(longName);

    ASSERT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(dialogs.FileName(), QStringLiteral("/music/A/B.ape"));
    EXPECT_EQ(dialogs.Path(), QStringLiteral("/music/A"));
    EXPECT_EQ(dialogs.FileTitle(), QStringLiteral("B.ape"));
    ASSERT_TRUE(dialogs.ShowOpen());
    EXPECT_EQ(dialogs.FileName(), longName);

    const auto& asked = prompts.fileRequests();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].title, QStringLiteral("Open Files"));
    EXPECT_EQ(asked[0].filter, kApeFilter);
    EXPECT_EQ(asked[0].fileName, QStringLiteral("start.ape"));
    EXPECT_EQ(asked[0].defaultExtension, QStringLiteral("ape"));
    // First time in the current folder, then where the last file was picked.
    EXPECT_EQ(asked[0].folder, QDir::currentPath());
    EXPECT_EQ(asked[1].folder, QStringLiteral("/music/A"));
    EXPECT_EQ(asked[1].fileName, QStringLiteral("/music/A/B.ape"));
}

TEST(CCommonDialogsTest, CancelledDialogsChangeNothing) {
    ScriptedPrompts prompts;
    CCommonDialogs dialogs;
    dialogs.setFileName(QStringLiteral("/keep/me.ape"));
    dialogs.setColor(0x123456u);
    dialogs.setFontName(QStringLiteral("Serif"));
    prompts.expectOpenFile(std::nullopt);
    prompts.expectFolder(std::nullopt);
    prompts.expectColor(std::nullopt);
    prompts.expectFont(std::nullopt);

    EXPECT_FALSE(dialogs.ShowOpen());
    EXPECT_FALSE(dialogs.ShowFolder());
    EXPECT_FALSE(dialogs.ShowColor(false));
    EXPECT_FALSE(dialogs.ShowFont());
    EXPECT_EQ(dialogs.FileName(), QStringLiteral("/keep/me.ape"));
    EXPECT_TRUE(dialogs.Path().isEmpty());
    EXPECT_EQ(dialogs.Color(), 0x123456u);
    EXPECT_EQ(dialogs.FontName(), QStringLiteral("Serif"));
}

TEST(CCommonDialogsTest, SaveCorrectsTheFolderBeforeTheDialog) {
    ScriptedPrompts prompts;
    CCommonDialogs dialogs;
    const QString programFolder = QCoreApplication::applicationDirPath();
    QTemporaryDir existing;

    dialogs.setPath(existing.path() + QStringLiteral("/missing"));
    dialogs.setTitle(QStringLiteral("not used"));
    prompts.expectSaveFile(std::nullopt);
    EXPECT_FALSE(dialogs.ShowSave());
    EXPECT_EQ(dialogs.Path(), programFolder);

    dialogs.setPath(QStringLiteral("   "));
    prompts.expectSaveFile(std::nullopt);
    EXPECT_FALSE(dialogs.ShowSave());
    EXPECT_EQ(dialogs.Path(), programFolder);

    dialogs.setPath(existing.path());
    dialogs.setFilter(kApeFilter);
    prompts.expectSaveFile(existing.path() + QStringLiteral("/out.mp3"));
    ASSERT_TRUE(dialogs.ShowSave());
    EXPECT_EQ(dialogs.Path(), existing.path());
    EXPECT_EQ(dialogs.FileTitle(), QStringLiteral("out.mp3"));

    const auto& asked = prompts.fileRequests();
    ASSERT_EQ(asked.size(), 3);
    EXPECT_EQ(asked[0].folder, programFolder);
    EXPECT_EQ(asked[0].title, QStringLiteral("Save"));
    EXPECT_EQ(asked[0].filter, QStringLiteral("*.*|*.*"));
    EXPECT_EQ(asked[2].folder, existing.path() + QLatin1Char('/'));
    EXPECT_EQ(asked[2].filter, kApeFilter);
}

TEST(CCommonDialogsTest, FolderColorFontAndPrinterDialogs) {
    ScriptedPrompts prompts;
    CCommonDialogs dialogs;
    dialogs.setTitle(QStringLiteral("Pick a folder"));
    dialogs.setFileName(QStringLiteral("/a/b.ape"));
    dialogs.setFileTitle(QStringLiteral("b.ape"));
    prompts.expectFolder(QStringLiteral("/music"));
    ASSERT_TRUE(dialogs.ShowFolder());
    EXPECT_EQ(prompts.folderInstructions(), QStringList{QStringLiteral("Pick a folder")});
    EXPECT_EQ(dialogs.Path(), QStringLiteral("/music"));
    EXPECT_TRUE(dialogs.FileName().isEmpty());
    EXPECT_TRUE(dialogs.FileTitle().isEmpty());

    dialogs.setColor(0x00112233u);
    prompts.expectColor(0x00445566u);
    ASSERT_TRUE(dialogs.ShowColor(true));
    EXPECT_EQ(prompts.initialColors(), QList<quint32>{0x00112233u});
    EXPECT_EQ(prompts.colorFullOpen(), QList<bool>{true});
    EXPECT_EQ(dialogs.Color(), 0x00445566u);

    dialogs.setFontName(QStringLiteral("Serif"));
    dialogs.setFontSize(9);
    dialogs.setFontUnderline(true);
    Prompts::FontChoice picked;
    picked.name = QStringLiteral("Sans");
    picked.pointSize = 12;
    picked.bold = true;
    picked.italic = true;
    picked.underline = false;
    picked.color = 0xFFu;
    prompts.expectFont(picked);
    ASSERT_TRUE(dialogs.ShowFont());
    const Prompts::FontChoice& offered = prompts.initialFonts().at(0);
    EXPECT_EQ(offered.name, QStringLiteral("Serif"));
    EXPECT_EQ(offered.pointSize, 9);
    EXPECT_TRUE(offered.underline);
    EXPECT_EQ(offered.color, 0x00445566u);
    EXPECT_EQ(dialogs.FontName(), QStringLiteral("Sans"));
    EXPECT_EQ(dialogs.FontSize(), 12);
    EXPECT_TRUE(dialogs.FontBold());
    EXPECT_TRUE(dialogs.FontItalic());
    // Underline and colour are not read back from the dialog.
    EXPECT_TRUE(dialogs.FontUnderline());
    EXPECT_EQ(dialogs.Color(), 0x00445566u);

    prompts.expectPrinter(true);
    prompts.expectPrinter(false);
    EXPECT_TRUE(dialogs.ShowPrinter());
    EXPECT_FALSE(dialogs.ShowPrinterProperties());
}

TEST(CCommonDialogsTest, TextGettersStopAtTheFirstNul) {
    CCommonDialogs dialogs;
    const QString withNul = QStringLiteral("abc") + QChar(u'\0') + QStringLiteral("rest");
    dialogs.setTitle(withNul);
    dialogs.setPath(withNul);
    dialogs.setFileTitle(withNul);
    dialogs.setFileName(withNul);
    dialogs.setFilter(withNul);
    EXPECT_EQ(dialogs.Title(), QStringLiteral("abc"));
    EXPECT_EQ(dialogs.Path(), QStringLiteral("abc"));
    EXPECT_EQ(dialogs.FileTitle(), QStringLiteral("abc"));
    EXPECT_EQ(dialogs.FileName(), QStringLiteral("abc"));
    EXPECT_EQ(dialogs.Filter(), withNul);
}
