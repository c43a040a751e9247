// The video formats through the whole chain: vordana --convert --format -> conv [-> coder or
// coder2] -> ffmpeg, checked with ffprobe.
#include "support/QtPrinters.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

QString video(const QString& name) {
    return QStringLiteral(VORDANA_FIXTURES_DIR "/video/") + name;
}

struct VideoInfo {
    QString formatName;
    QString majorBrand;
    double duration = 0.0;
    int width = 0;
    int height = 0;
    bool hasVideo = false;
};

VideoInfo probeVideo(const QString& path) {
    const ProcessResult probe = runProgram(
        "ffprobe", {"-v", "error", "-show_streams", "-show_format", "-of", "json", path});
    const QJsonObject root = QJsonDocument::fromJson(probe.out.toUtf8()).object();
    VideoInfo info;
    const QJsonObject format = root.value("format").toObject();
    info.formatName = format.value("format_name").toString();
    info.majorBrand = format.value("tags").toObject().value("major_brand").toString();
    info.duration = format.value("duration").toString().toDouble();
    for (const QJsonValue& stream : root.value("streams").toArray()) {
        if (stream.toObject().value("codec_type").toString() == "video") {
            info.hasVideo = true;
            info.width = stream.toObject().value("width").toInt();
            info.height = stream.toObject().value("height").toInt();
        }
    }
    return info;
}

ProcessResult convert(const QStringList& arguments) {
    return runProgram(TestPaths::programFolder() + "/vordana",
                      QStringList{"--convert", "-q"} + arguments, 300000);
}

}  // namespace

TEST(VideoEndToEndTest, EveryVideoFormatGivesAPlayableFileOfItsKind) {
    const struct {
        const char* format;
        const char* extension;
        const char* container;  // what ffprobe's format_name holds
        const char* brand;      // major brand of the MP4 family, or ""
        int width;              // 0: any
    } formats[] = {
        {"rmvb", ".rmvb", "rm", "", 0},
        {"rm", ".rm", "rm", "", 0},
        {"mpg", ".mpg", "mpeg", "", 0},
        {"avi", ".avi", "avi", "", 0},
        {"mp4", ".mp4", "mp4", "isom", 0},
        {"mov", ".mov", "mov", "qt", 0},
        {"phone-mp4", ".mp4", "mp4", "isom", 320},
        {"3gp", ".3gp", "3gp", "3gp", 320},
    };
    const QString source = video("clip-320x240-25fps-3s.avi");
    const double sourceDuration = probeVideo(source).duration;
    for (const auto& f : formats) {
        SCOPED_TRACE(f.format);
        QTemporaryDir out;
        const ProcessResult run = convert({"--format", f.format, "-o", out.path(), source});
        ASSERT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        const QStringList files = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
        ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
        EXPECT_TRUE(files[0].startsWith("clip-320x240-25fps-3s-")) << files[0].toStdString();
        EXPECT_TRUE(files[0].endsWith(f.extension)) << files[0].toStdString();
        const QString file = out.path() + "/" + files[0];
        const VideoInfo info = probeVideo(file);
        EXPECT_TRUE(info.formatName.contains(f.container)) << info.formatName.toStdString();
        if (*f.brand) {
            EXPECT_TRUE(info.majorBrand.startsWith(f.brand)) << info.majorBrand.toStdString();
        }
        EXPECT_TRUE(info.hasVideo);
        if (f.width) {
            EXPECT_EQ(info.width, f.width);
            EXPECT_EQ(info.height, 240);
        }
        EXPECT_NEAR(info.duration, sourceDuration, 0.3);
        const ProcessResult decode =
            runProgram("ffmpeg", {"-v", "error", "-xerror", "-i", file, "-f", "null", "-"});
        EXPECT_EQ(decode.exitCode, 0) << decode.err.toStdString();
        EXPECT_TRUE(decode.err.trimmed().isEmpty()) << decode.err.toStdString();
    }
}

TEST(VideoEndToEndTest, InputsThatCannotBecomeVideoFailWithReasonsAndLeaveNothing) {
    QTemporaryDir out;
    const QStringList bad = {video("truncated.avi"), video("not-video.avi"),
                             TestPaths::fixture("tone.wav")};
    for (const char* format : {"3gp", "avi"}) {  // a two-stage and a one-stage format
        SCOPED_TRACE(format);
        const ProcessResult run = convert(QStringList{"--format", format, "-o", out.path()} + bad);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.contains("converted 0, failed 3")) << run.out.toStdString();
        EXPECT_TRUE(run.out.contains("no video stream")) << run.out.toStdString();
        for (const QString& input : bad) {
            EXPECT_TRUE(run.err.contains("failed: " + input + ": ")) << run.err.toStdString();
        }
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(VideoEndToEndTest, FoldersAreSearchedForVideoFilesWithAVideoFormat) {
    QTemporaryDir in;
    QTemporaryDir out;
    ASSERT_TRUE(QFile::copy(video("my clip.part1.mkv"), in.path() + "/my clip.part1.mkv"));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("tone.wav"), in.path() + "/song.ape"));
    const ProcessResult run = convert({"--format", "mpg", "-o", out.path(), in.path()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QStringList files = QDir(out.path()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("my clip-")) << "the base name ends at the first dot";
}
