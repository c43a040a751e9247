#include "cue/CueImageFinder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CueTestFiles.h"
#include "cue/CueParser.h"

namespace {

// A folder holding `files` (empty), for sheets to be looked up in.
class Folder {
public:
    explicit Folder(const QStringList& files) {
        for (const QString& file : files) {
            CueTestFiles::writeFile(path(file), QByteArray());
        }
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

CueSheet sheetWithFiles(const QStringList& fileLines) {
    QString text;
    int track = 0;
    for (const QString& line : fileLines) {
        text += line + QStringLiteral("\n");
        const bool data = line.endsWith(QStringLiteral("BINARY"));
        text += QStringLiteral("TRACK %1 %2\nINDEX 01 00:00:00\n")
                    .arg(++track)
                    .arg(data ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"));
    }
    return CueParser::parse(text).value();
}

std::optional<QStringList> find(const Folder& folder, const QString& cueName,
                                const QStringList& fileLines, QString* error = nullptr) {
    return CueImageFinder::find(folder.path(cueName), sheetWithFiles(fileLines), error);
}

QString findOne(const Folder& folder, const QString& cueName, const QString& fileLine) {
    QString error;
    const std::optional<QStringList> images = find(folder, cueName, {fileLine}, &error);
    EXPECT_TRUE(images.has_value()) << fileLine.toStdString() << ": " << error.toStdString();
    return images ? images->value(0) : QString();
}

}  // namespace

TEST(CueImageFinderTest, FileLineNameFirstThenTheSheetsBaseNameThenTheOnlyAudioFile) {
    const Folder album({QStringLiteral("Live Set.cue"), QStringLiteral("Live Set.ape"),
                        QStringLiteral("Bonus.flac"), QStringLiteral("cover.jpg")});
    EXPECT_EQ(
        findOne(album, QStringLiteral("Live Set.cue"), QStringLiteral("FILE \"Bonus.flac\" WAVE")),
        album.path(QStringLiteral("Bonus.flac")));
    // Made for the .wav before it was compressed: the audio file with the sheet's name.
    EXPECT_EQ(findOne(album, QStringLiteral("Live Set.cue"),
                      QStringLiteral("FILE \"Live Set.wav\" WAVE")),
              album.path(QStringLiteral("Live Set.ape")));
    // Written on Windows: other case, or a path of the ripping machine.
    EXPECT_EQ(
        findOne(album, QStringLiteral("Live Set.cue"), QStringLiteral("FILE \"bonus.FLAC\" WAVE")),
        album.path(QStringLiteral("Bonus.flac")));
    EXPECT_EQ(findOne(album, QStringLiteral("Live Set.cue"),
                      QStringLiteral("FILE \"C:\\Rips\\Bonus.flac\" WAVE")),
              album.path(QStringLiteral("Bonus.flac")));

    const Folder named({QStringLiteral("Album.ape.cue"), QStringLiteral("Album.ape"),
                        QStringLiteral("Bonus.flac")});
    EXPECT_EQ(findOne(named, QStringLiteral("Album.ape.cue"),
                      QStringLiteral("FILE \"CDImage.wav\" WAVE")),
              named.path(QStringLiteral("Album.ape")));

    // A name in a broken encoding, and nothing else to go by but the only audio file.
    const Folder single({QStringLiteral("Album.cue"), QStringLiteral("CDImage.APE"),
                         QStringLiteral("CDImage.log"), QStringLiteral("folder.jpg")});
    EXPECT_EQ(findOne(single, QStringLiteral("Album.cue"),
                      QStringLiteral("FILE \"\u00D4\u00C2\u00B9\u00E2.wav\" WAVE")),
              single.path(QStringLiteral("CDImage.APE")));
}

TEST(CueImageFinderTest, WithSeveralFileLinesEachIsFoundByItsOwnName) {
    const Folder discs(
        {QStringLiteral("Set.cue"), QStringLiteral("Disc A.ape"), QStringLiteral("Disc B.ape")});
    QString error;
    const std::optional<QStringList> images = find(
        discs, QStringLiteral("Set.cue"),
        {QStringLiteral("FILE \"Disc A.ape\" WAVE"), QStringLiteral("FILE \"Disc B.ape\" WAVE"),
         QStringLiteral("FILE \"Data.bin\" BINARY")},
        &error);
    ASSERT_TRUE(images.has_value()) << error.toStdString();
    EXPECT_EQ(*images, (QStringList{discs.path(QStringLiteral("Disc A.ape")),
                                    discs.path(QStringLiteral("Disc B.ape")), QString()}));

    // No guessing which file a missing .wav became, not even one with the sheet's name.
    const Folder renamed(
        {QStringLiteral("Set.cue"), QStringLiteral("Set.ape"), QStringLiteral("Disc B.ape")});
    EXPECT_FALSE(find(renamed, QStringLiteral("Set.cue"),
                      {QStringLiteral("FILE \"Disc A.wav\" WAVE"),
                       QStringLiteral("FILE \"Disc B.ape\" WAVE")},
                      &error)
                     .has_value());
    EXPECT_EQ(error, QStringLiteral("no image found for Set.cue (looked for \"Disc A.wav\")"));

    // A data track's FILE does not count: one audio FILE line, so the fallbacks apply.
    const Folder enhanced({QStringLiteral("Set.cue"), QStringLiteral("Set.flac")});
    const std::optional<QStringList> found =
        find(enhanced, QStringLiteral("Set.cue"),
             {QStringLiteral("FILE \"Set.wav\" WAVE"), QStringLiteral("FILE \"Data.bin\" BINARY")});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->value(0), enhanced.path(QStringLiteral("Set.flac")));
}

TEST(CueImageFinderTest, FailuresSayWhatWasLookedFor) {
    const QString wavLine = QStringLiteral("FILE \"Live Set.wav\" WAVE");
    QString error;

    const Folder empty({QStringLiteral("Live Set.cue"), QStringLiteral("notes.txt")});
    EXPECT_FALSE(find(empty, QStringLiteral("Live Set.cue"), {wavLine}, &error).has_value());
    EXPECT_EQ(error,
              QStringLiteral("no image found for Live Set.cue (looked for \"Live Set.wav\")"));

    const Folder twoOthers(
        {QStringLiteral("Live Set.cue"), QStringLiteral("a.ape"), QStringLiteral("b.ape")});
    EXPECT_FALSE(find(twoOthers, QStringLiteral("Live Set.cue"), {wavLine}, &error).has_value());
    EXPECT_EQ(error,
              QStringLiteral("no image found for Live Set.cue (looked for \"Live Set.wav\")"));

    const Folder twoFitting({QStringLiteral("Live Set.cue"), QStringLiteral("Live Set.flac"),
                             QStringLiteral("Live Set.ape")});
    EXPECT_FALSE(find(twoFitting, QStringLiteral("Live Set.cue"), {wavLine}, &error).has_value());
    EXPECT_EQ(error, QStringLiteral(
                         "several images fit Live Set.cue: \"Live Set.ape\", \"Live Set.flac\""));

    // A folder named like the image is no image.
    const Folder withFolder({QStringLiteral("Live Set.cue")});
    ASSERT_TRUE(QDir().mkpath(withFolder.path(QStringLiteral("Live Set.ape"))));
    EXPECT_FALSE(find(withFolder, QStringLiteral("Live Set.cue"),
                      {QStringLiteral("FILE \"Live Set.ape\" WAVE")}, &error)
                     .has_value());
    EXPECT_EQ(error,
              QStringLiteral("no image found for Live Set.cue (looked for \"Live Set.ape\")"));
}

TEST(CueImageFinderTest, NamesThatLeaveTheSheetsFolderAreOnlyTakenFromBesideIt) {
    // outer/ holds x.ape and y.ape; outer/album/ holds the sheet and (only) x.ape.
    const Folder outer({QStringLiteral("x.ape"), QStringLiteral("y.ape")});
    ASSERT_TRUE(QDir().mkpath(outer.path(QStringLiteral("album"))));
    CueTestFiles::writeFile(outer.path(QStringLiteral("album/x.ape")), QByteArray());
    const QString sheet = outer.path(QStringLiteral("album/Set.cue"));
    const struct {
        QString fileName;   // as the FILE line gives it
        const char* found;  // in the album folder; nullptr: refused
    } cases[] = {
        {QStringLiteral("../x.ape"), "x.ape"},          {QStringLiteral("..\\x.ape"), "x.ape"},
        {outer.path(QStringLiteral("x.ape")), "x.ape"}, {QStringLiteral("sub/../x.ape"), "x.ape"},
        {QStringLiteral("../y.ape"), nullptr},          {QStringLiteral("..\\y.ape"), nullptr},
        {outer.path(QStringLiteral("y.ape")), nullptr}, {QStringLiteral("../../y.ape"), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName.toStdString());
        QString error;
        const std::optional<QStringList> images = CueImageFinder::find(
            sheet, sheetWithFiles({"FILE \"" + c.fileName + "\" WAVE"}), &error);
        if (c.found) {
            ASSERT_TRUE(images.has_value()) << error.toStdString();
            EXPECT_EQ(images->value(0), outer.path("album/" + QLatin1StringView(c.found)));
        } else {
            EXPECT_FALSE(images.has_value()) << images->value(0).toStdString();
            EXPECT_EQ(error, "Set.cue names \"" + c.fileName +
                                 "\", outside its folder, and no \"y.ape\" lies beside it");
        }
    }
}
