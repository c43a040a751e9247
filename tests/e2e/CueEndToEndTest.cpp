// Album images with CUE sheets through the whole chain: vordana --convert -> coder (cut on
// decode, tagged) -> ffmpeg, checked with ffprobe.
#include "support/QtPrinters.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

QString cueFixture(const QString& name) {
    return QStringLiteral(VORDANA_FIXTURES_DIR "/cue/") + name;
}

ProcessResult convert(const QStringList& arguments) {
    return runProgram(TestPaths::programFolder() + "/vordana",
                      QStringList{"--convert", "-q"} + arguments, 300000);
}

QMap<QString, QString> tagsOf(const QString& file) {
    const ProcessResult probe =
        runProgram("ffprobe", {"-v", "error", "-show_format", "-of", "json", file});
    const QJsonObject tags = QJsonDocument::fromJson(probe.out.toUtf8())
                                 .object()
                                 .value("format")
                                 .toObject()
                                 .value("tags")
                                 .toObject();
    QMap<QString, QString> map;
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        map.insert(it.key().toLower(), it.value().toString());
    }
    return map;
}

// A copy of the album (image and sheet) in `folder`, the sheet in `encoding`, with `edit`
// applied to its text first.
void copyAlbum(const QString& folder, const char* encoding,
               const std::function<QString(QString)>& edit = {}) {
    ASSERT_TRUE(QFile::copy(cueFixture("Live Set.ape"), folder + "/Live Set.ape"));
    QFile sheet(cueFixture("Live Set.cue"));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(sheet.readAll());
    if (edit) {
        text = edit(text);
    }
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    ASSERT_TRUE(encoder.isValid()) << encoding;
    QFile out(folder + "/Live Set.cue");
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(encoder.encode(text));
}

const double kTrackLengths[] = {4.0, 3.0 + 38.0 / 75.0, 12.5 - 7.0 - 38.0 / 75.0};

}  // namespace

TEST(CueEndToEndTest, TheAlbumSplitsIntoItsTaggedTracksCutToTheSample) {
    QTemporaryDir out;
    const ProcessResult run =
        convert({"--rate", "44100", "-o", out.path(), cueFixture("Live Set.cue")});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("converted 3, failed 0")) << "the report counts tracks";
    const QStringList names = {"01 - Opening.mp3", QString::fromUtf8("02 - 月光 Moonlight.mp3"),
                               "03 - Closing.mp3"};
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), names);
    double total = 0.0;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const MediaInfo info = probeMedia(out.path() + "/" + names[i]);
        EXPECT_EQ(info.codec, "mp3");
        EXPECT_NEAR(info.decodedDuration, kTrackLengths[i], 1.0 / 75.0);
        total += info.decodedDuration;
        const QMap<QString, QString> tags = tagsOf(out.path() + "/" + names[i]);
        EXPECT_EQ(tags.value("album"), "Live Set");
        EXPECT_EQ(tags.value("album_artist"), "Test Ensemble");
        EXPECT_EQ(tags.value("artist"), i == 2 ? "Guest Player" : "Test Ensemble");
        EXPECT_EQ(tags.value("title"), names[i].mid(5).chopped(4));
        EXPECT_EQ(tags.value("track"), QStringLiteral("%1/3").arg(i + 1));
        EXPECT_EQ(tags.value("date"), "2021");
        EXPECT_EQ(tags.value("genre"), "Ambient");
    }
    EXPECT_NEAR(total, 12.5, 0.001) << "the tracks add up to the image";
}

TEST(CueEndToEndTest, LegacyEncodingsMissingWavNamesAndPregapsStillGiveTheTracks) {
    // A GB18030 sheet, as Chinese ripping tools write them, naming a .wav that was compressed
    // to .ape afterwards, with a pregap before track 2 (which stays at the end of track 1).
    QTemporaryDir album;
    copyAlbum(album.path(), "GB18030", [](QString text) {
        text.replace("Live Set.ape", "Live Set.wav");
        text.replace("    INDEX 01 00:04:00", "    INDEX 00 00:03:50\r\n    INDEX 01 00:04:00");
        return text;
    });
    QTemporaryDir out;
    const ProcessResult run = convert({"--rate", "44100", "-o", out.path(), album.path()});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QStringList names = QDir(out.path()).entryList(QDir::Files);
    ASSERT_EQ(names.size(), 3) << names.join(", ").toStdString()
                               << "the image is not converted whole";
    EXPECT_EQ(names[1], QString::fromUtf8("02 - 月光 Moonlight.mp3"));
    EXPECT_NEAR(probeMedia(out.path() + "/" + names[0]).decodedDuration, 4.0, 1.0 / 75.0);

    // --no-split: the image as one file.
    QTemporaryDir whole;
    const ProcessResult one = convert({"--no-split", "-o", whole.path(), album.path()});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(QDir(whole.path()).entryList(QDir::Files).size(), 1);
}

TEST(CueEndToEndTest, ASheetInTheImagesTagCountsWhenAFolderIsConverted) {
    QTemporaryDir album;
    ASSERT_TRUE(QFile::copy(cueFixture("Live Set.ape"), album.path() + "/Concert.ape"));
    QFile sheet(cueFixture("Live Set.cue"));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QByteArray text = sheet.readAll();
    // An APEv2 tag (footer only) with one text item "Cuesheet".
    const auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i) {
            b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return b;
    };
    const QByteArray item =
        le32(static_cast<quint32>(text.size())) + le32(0) + "Cuesheet" + QByteArray(1, '\0') + text;
    const QByteArray footer = "APETAGEX" + le32(2000) +
                              le32(static_cast<quint32>(item.size() + 32)) + le32(1) + le32(0) +
                              QByteArray(8, '\0');
    QFile image(album.path() + "/Concert.ape");
    ASSERT_TRUE(image.open(QIODevice::Append));
    image.write(item + footer);
    image.close();

    QTemporaryDir out;
    const ProcessResult run = convert({"-o", out.path(), album.path()});
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 3);
    EXPECT_TRUE(tagsOf(out.path() + "/03 - Closing.mp3").value("cuesheet").isEmpty())
        << "the whole album's sheet is no tag of one track";
}

TEST(CueEndToEndTest, SheetsThatCannotBeUsedAreReportedWithTheirReason) {
    QTemporaryDir album;
    copyAlbum(album.path(), "UTF-8",
              [](QString text) { return text.replace("INDEX 01 00:07:38", "INDEX 01 00:07"); });
    QTemporaryDir orphan;
    ASSERT_TRUE(QFile::copy(cueFixture("Live Set.cue"), orphan.path() + "/Lost.cue"));
    QTemporaryDir out;
    const ProcessResult run = convert(
        {"--json", "-o", out.path(), album.path() + "/Live Set.cue", orphan.path() + "/Lost.cue"});
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value("failed").toInt(), 2) << run.out.toStdString();
    EXPECT_TRUE(run.err.contains("line 15")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("no image found for Lost.cue")) << run.err.toStdString();
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(CueEndToEndTest, OneAlbumFromTwoSheetsItsTracksInTheReportAndTheProgressCountingTracks) {
    // A folder with the album and a second sheet for the same image, as some rips have.
    QTemporaryDir album;
    copyAlbum(album.path(), "UTF-8");
    ASSERT_TRUE(QFile::copy(album.path() + "/Live Set.cue", album.path() + "/Live Set.ape.cue"));
    QTemporaryDir out;
    const ProcessResult run =
        runProgram(TestPaths::programFolder() + "/vordana",
                   {"--convert", "--json", "-j", "1", "-o", out.path(), album.path()}, 300000);
    ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("vordana: warning: " + album.path() +
                                 "/Live Set.cue skipped: " + album.path() +
                                 "/Live Set.ape.cue describes the same image (Live Set.ape)\n"))
        << run.err.toStdString();
    const QJsonArray files =
        QJsonDocument::fromJson(run.out.toUtf8()).object().value("files").toArray();
    ASSERT_EQ(files.size(), 3) << run.out.toStdString();
    const QStringList titles = {"Opening", QString::fromUtf8("月光 Moonlight"), "Closing"};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject file = files[i].toObject();
        EXPECT_EQ(file.keys(), (QStringList{"format", "input", "output", "reason", "seconds",
                                            "status", "title", "track"}));
        EXPECT_EQ(file.value("format").toString(), "mp3");
        EXPECT_EQ(file.value("input").toString(), album.path() + "/Live Set.ape");
        EXPECT_EQ(file.value("track").toInt(), i + 1);
        EXPECT_EQ(file.value("title").toString(), titles[i]);
        EXPECT_EQ(file.value("status").toString(), "converted");
    }
    // Plain progress lines (standard error is no terminal): tracks counted, each weighing its
    // length (4, 3.507 and 4.993 s of the 12.5 s image).
    for (const char* line : {"1/3 tracks  32%", "2/3 tracks  60%", "3/3 tracks  100%"}) {
        EXPECT_TRUE(run.err.contains(line)) << line << "\n" << run.err.toStdString();
    }
}
