#include "cue/CueReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CueTestFiles.h"

using CueTestFiles::encoded;
using CueTestFiles::fixture;
using CueTestFiles::fixtureSheetText;
using CueTestFiles::writeFile;

namespace {

const QStringList kTitles = {QStringLiteral("Opening"), QStringLiteral("月光 Moonlight"),
                             QStringLiteral("Closing")};

// The tracks of Live Set.cue, whatever form the sheet came in.
void expectLiveSetTracks(const CueTrackTable& table, const QStringList& titles,
                         const QString& image) {
    ASSERT_EQ(table.tracks.size(), 3);
    const qint64 startFrames[] = {0, 4 * 75, 7 * 75 + 38};
    const QString performers[] = {QStringLiteral("Test Ensemble"), QStringLiteral("Test Ensemble"),
                                  QStringLiteral("Guest Player")};
    for (int i = 0; i < 3; ++i) {
        const CueTrack& track = table.tracks[i];
        EXPECT_EQ(track.number, i + 1);
        EXPECT_EQ(track.title, titles[i]);
        EXPECT_EQ(track.performer, performers[i]);
        EXPECT_EQ(track.image, image);
        EXPECT_EQ(track.start.frames(), startFrames[i]);
        if (i < 2) {
            ASSERT_TRUE(track.end.has_value());
            EXPECT_EQ(track.end->frames(), startFrames[i + 1]);
        } else {
            EXPECT_FALSE(track.end.has_value());  // to the end of the image
        }
    }
}

// A folder with a copy of Live Set.ape, for sheets in other forms.
class AlbumFolder {
public:
    AlbumFolder() { EXPECT_TRUE(QFile::copy(fixture(QStringLiteral("Live Set.ape")), image())); }
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString image() const { return path(QStringLiteral("Live Set.ape")); }
    QString sheet() const { return path(QStringLiteral("Live Set.cue")); }

private:
    QTemporaryDir m_dir;
};

std::optional<CueTrackTable> readFile(const QString& path, const QString& forced = {}) {
    QString error;
    std::optional<CueTrackTable> table = CueReader::readFile(path, forced, &error);
    EXPECT_TRUE(table.has_value()) << error.toStdString();
    return table;
}

}  // namespace

TEST(CueReaderTest, FixtureSheetEndToEnd) {
    const std::optional<CueTrackTable> table = readFile(fixture(QStringLiteral("Live Set.cue")));
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->encoding, QStringLiteral("UTF-8"));
    EXPECT_TRUE(table->warnings.isEmpty()) << table->warnings.join(u'\n').toStdString();
    EXPECT_EQ(table->album.title, QStringLiteral("Live Set"));
    EXPECT_EQ(table->album.performer, QStringLiteral("Test Ensemble"));
    EXPECT_EQ(table->album.date, QStringLiteral("2021"));
    EXPECT_EQ(table->album.genre, QStringLiteral("Ambient"));
    EXPECT_TRUE(table->album.comment.isEmpty());
    EXPECT_EQ(table->album.discNumber, 0);

    const QString image = QFileInfo(fixture(QStringLiteral("Live Set.ape"))).absoluteFilePath();
    expectLiveSetTracks(*table, kTitles, image);

    // As the manifest gives them: starts 0, 4.000, 7.507 s; lengths 4.000, 3.507 s, open.
    const double starts[] = {0.0, 4.0, 7.507};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(table->tracks[i].start.toSeconds(), starts[i], 0.0005);
    }
    EXPECT_DOUBLE_EQ(table->tracks[0].length()->toSeconds(), 4.0);
    EXPECT_NEAR(table->tracks[1].length()->toSeconds(), 3.507, 0.0005);
    EXPECT_EQ(table->tracks[1].length()->toSamples(44100), 3 * 44100 + 38 * 588);
    EXPECT_FALSE(table->tracks[2].length().has_value());

    QStringList names;
    for (const CueTrack& track : table->tracks) {
        names << track.outputName();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("01 - Opening.mp3"),
                                  QStringLiteral("02 - 月光 Moonlight.mp3"),
                                  QStringLiteral("03 - Closing.mp3")}));
}

TEST(CueReaderTest, TheSheetReadsAlikeInEveryEncoding) {
    const QString text = fixtureSheetText();
    // Chinese sheets from Windows come in GB18030 (GBK); titles in Chinese as such sheets have.
    QString chinese = text;
    chinese.replace(QStringLiteral("\"Live Set\""), QStringLiteral("\"现场演出\""))
        .replace(QStringLiteral("Opening"), QStringLiteral("开场曲"))
        .replace(QStringLiteral("Closing"), QStringLiteral("终曲"));
    const QStringList chineseTitles = {QStringLiteral("开场曲"), QStringLiteral("月光 Moonlight"),
                                       QStringLiteral("终曲")};
    const struct {
        QByteArray bytes;
        const char* encoding;
        QStringList titles;
    } variants[] = {
        {encoded(chinese, "GB18030"), "GB18030", chineseTitles},
        {"\xFF\xFE" + encoded(text, "UTF-16LE"), "UTF-16LE", kTitles},
        {"\xFE\xFF" + encoded(text, "UTF-16BE"), "UTF-16BE", kTitles},
        {"\xEF\xBB\xBF" + text.toUtf8(), "UTF-8", kTitles},
    };
    const AlbumFolder folder;
    for (const auto& variant : variants) {
        SCOPED_TRACE(variant.encoding);
        writeFile(folder.sheet(), variant.bytes);
        const std::optional<CueTrackTable> table = readFile(folder.sheet());
        ASSERT_TRUE(table.has_value());
        EXPECT_EQ(table->encoding, QLatin1StringView(variant.encoding));
        EXPECT_TRUE(table->warnings.isEmpty());
        EXPECT_EQ(table->album.genre, QStringLiteral("Ambient"));
        expectLiveSetTracks(*table, variant.titles, folder.image());
    }

    // A named encoding is used as it is; bytes that do not fit it and lines that were skipped
    // come back as warnings.
    QByteArray damaged = encoded(chinese + QStringLiteral("ARRANGER \"Someone\"\r\n"), "GB18030");
    const QByteArray album = encoded(QStringLiteral("现场演出"), "GB18030");
    damaged.replace(album, album + '\xFF');
    writeFile(folder.sheet(), damaged);
    const std::optional<CueTrackTable> table = readFile(folder.sheet(), QStringLiteral("gbk"));
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->encoding, QStringLiteral("GB18030"));
    EXPECT_EQ(table->album.title, QStringLiteral("现场演出\uFFFD"));
    expectLiveSetTracks(*table, chineseTitles, folder.image());
    EXPECT_EQ(table->warnings,
              (QStringList{QStringLiteral("1 byte(s) that are not valid GB18030 were replaced"),
                           QStringLiteral("line 16: unknown command \"ARRANGER\" skipped")}));
}

TEST(CueReaderTest, ASheetMadeForAWavFindsTheApeBesideIt) {
    const AlbumFolder folder;
    writeFile(folder.sheet(),
              fixtureSheetText()
                  .replace(QStringLiteral("\"Live Set.ape\""), QStringLiteral("\"Live Set.wav\""))
                  .toUtf8());
    const std::optional<CueTrackTable> table = readFile(folder.sheet());
    ASSERT_TRUE(table.has_value());
    expectLiveSetTracks(*table, kTitles, folder.image());
}

TEST(CueReaderTest, ASheetInTheImagesApeTag) {
    const AlbumFolder folder;
    const QString concert = folder.path(QStringLiteral("Concert.ape"));
    const QString sheet =
        fixtureSheetText().replace(QStringLiteral("Live Set.ape"), QStringLiteral("CDImage.wav"));
    QFile ape(folder.image());
    ASSERT_TRUE(ape.open(QIODevice::ReadOnly));
    const QByteArray audio = ape.readAll();

    writeFile(concert,
              audio + CueTestFiles::apeTag(
                          {{"Title", "Live Set"}, {"CUESHEET", sheet.toUtf8() + '\0'}}, true));
    QString error;
    const std::optional<CueText> text = CueReader::embeddedText(concert, {}, &error);
    ASSERT_TRUE(text.has_value()) << error.toStdString();
    EXPECT_EQ(text->text, sheet);
    std::optional<CueTrackTable> table = CueReader::readEmbedded(concert, {}, &error);
    ASSERT_TRUE(table.has_value()) << error.toStdString();
    EXPECT_EQ(table->album.title, QStringLiteral("Live Set"));
    // The sheet names CDImage.wav; its tracks are in the image that carries it.
    expectLiveSetTracks(*table, kTitles, QFileInfo(concert).absoluteFilePath());

    // Some taggers stored the sheet in the system's code page instead of UTF-8.
    QString chinese = sheet;
    chinese.replace(QStringLiteral("Opening"), QStringLiteral("开场曲"))
        .replace(QStringLiteral("Closing"), QStringLiteral("终曲"))
        .replace(QStringLiteral("Test Ensemble"), QStringLiteral("测试乐团"));
    writeFile(concert, audio + CueTestFiles::apeTag({{"Cuesheet", encoded(chinese, "GB18030")}}));
    table = CueReader::readEmbedded(concert, {}, &error);
    ASSERT_TRUE(table.has_value()) << error.toStdString();
    EXPECT_EQ(table->encoding, QStringLiteral("GB18030"));
    EXPECT_EQ(table->tracks[0].title, QStringLiteral("开场曲"));
    EXPECT_EQ(table->tracks[0].performer, QStringLiteral("测试乐团"));

    // An embedded sheet describes its own image only.
    const QString twoFiles = sheet + QStringLiteral(
                                         "FILE \"Bonus.wav\" WAVE\r\n  TRACK 04 AUDIO\r\n"
                                         "    INDEX 01 00:00:00\r\n");
    writeFile(concert, audio + CueTestFiles::apeTag({{"Cuesheet", twoFiles.toUtf8()}}));
    EXPECT_FALSE(CueReader::readEmbedded(concert, {}, &error).has_value());
    EXPECT_EQ(error, QStringLiteral("the sheet in Concert.ape's tag names 2 audio files, not just "
                                    "the image"));

    // No tag, or a tag without a sheet: nothing, and no error either.
    writeFile(concert, audio + CueTestFiles::apeTag({{"Title", "Live Set"}}));
    for (const QString& path : {concert, fixture(QStringLiteral("Live Set.ape"))}) {
        error = QStringLiteral("not cleared");
        EXPECT_FALSE(CueReader::readEmbedded(path, {}, &error).has_value());
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }
}

TEST(CueReaderTest, FailuresGiveTheirReasons) {
    const AlbumFolder folder;
    QString error;
    auto readError = [&](const QString& path, const QString& forced = {}) {
        error.clear();
        EXPECT_FALSE(CueReader::readFile(path, forced, &error).has_value());
        return error;
    };

    writeFile(folder.sheet(),
              fixtureSheetText()
                  .replace(QStringLiteral("INDEX 01 00:04:00"), QStringLiteral("INDEX 01 00:04"))
                  .toUtf8());
    EXPECT_EQ(readError(folder.sheet()),
              QStringLiteral("line 11: INDEX needs mm:ss:ff, not \"00:04\""));

    const QTemporaryDir alone;
    const QString lonelySheet = alone.filePath(QStringLiteral("Live Set.cue"));
    ASSERT_TRUE(QFile::copy(fixture(QStringLiteral("Live Set.cue")), lonelySheet));
    EXPECT_EQ(readError(lonelySheet),
              QStringLiteral("no image found for Live Set.cue (looked for \"Live Set.ape\")"));

    EXPECT_EQ(readError(fixture(QStringLiteral("Live Set.cue")), QStringLiteral("KLINGON")),
              QStringLiteral("unknown encoding \"KLINGON\""));

    EXPECT_TRUE(readError(folder.path(QStringLiteral("Nope.cue")))
                    .startsWith(QStringLiteral("cannot read Nope.cue (")))
        << error.toStdString();

    writeFile(folder.path(QStringLiteral("Huge.cue")), QByteArray(2 * 1024 * 1024, ' '));
    EXPECT_EQ(readError(folder.path(QStringLiteral("Huge.cue"))),
              QStringLiteral("Huge.cue is too large for a CUE sheet (2097152 bytes)"));
}
