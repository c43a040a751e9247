// The whole chain on real files: vordana --convert -> data/coder -> ffmpeg, checked with ffprobe.
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

QString vordana() {
    return TestPaths::programFolder() + "/vordana";
}

struct Source {
    QString name;
    double duration;
};

const QList<Source> kGoodFixtures = {
    {"tone-44k-stereo-16bit-c2000.ape", 5.0},
    {"speech-22k-mono-16bit-c1000.ape", 3.0},
    {"music-48k-stereo-24bit-c3000.ape", 4.0},
    {"music-44k-stereo-16bit-c4000.ape", 6.0},
    {"music-44k-stereo-16bit-c5000.ape", 3.0},
    {"my song.live.2010.ape", 2.0},
    {"月亮代表我的心.ape", 2.0},
    {"tagged-44k-stereo.ape", 3.0},
    {"tone.wav", 2.0},
};

// The one output whose name is BASE_STAMP.mp3 (STAMP: unpadded h m s, maybe -N after it).
QString outputFor(const QString& folder, const QString& base) {
    const QRegularExpression pattern("^" + QRegularExpression::escape(base) +
                                     R"(_\d{1,6}(-\d+)?\.mp3$)");
    QStringList matches;
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        if (pattern.match(name).hasMatch()) {
            matches << folder + "/" + name;
        }
    }
    return matches.size() == 1 ? matches.first() : QString();
}

ProcessResult convert(const QStringList& arguments, const QStringList& environment = {}) {
    return runProgram(vordana(), QStringList{"--convert"} + arguments, 300000, environment);
}

}  // namespace

TEST(ConvertEndToEndTest, EveryGoodFixtureBecomesTheAskedMp3) {
    struct Settings {
        QString bitRate;
        QString rate;
        QString channels;
        int expectedRate;
    };
    // The defaults (48000 Hz, 320 kbit/s, stereo), and a mono setting whose rate the MP3
    // encoder does not take (12050 Hz is offered by the rate list; 12000 Hz is the nearest).
    for (const Settings& s : {Settings{"", "", "", 48000}, Settings{"64", "12050", "1", 12000},
                              Settings{"128", "44100", "2", 44100}}) {
        QTemporaryDir out;
        QStringList arguments = {"--output", out.path()};
        if (!s.bitRate.isEmpty()) {
            arguments << "--bitrate" << s.bitRate << "--rate" << s.rate << "--channels"
                      << s.channels;
        }
        for (const Source& source : kGoodFixtures) {
            arguments << TestPaths::fixture(source.name);
        }
        const ProcessResult run = convert(arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(QString("converted %1, failed 0").arg(kGoodFixtures.size())))
            << run.out.toStdString();

        const int channels = s.channels == "1" ? 1 : 2;
        const qint64 bitRate = (s.bitRate.isEmpty() ? 320 : s.bitRate.toInt()) * 1000;
        for (const Source& source : kGoodFixtures) {
            const QString base = source.name.section('.', 0, 0);
            const QString output = outputFor(out.path(), base);
            ASSERT_FALSE(output.isEmpty()) << "no output for " << source.name.toStdString();
            const MediaInfo info = probeMedia(output);
            ASSERT_TRUE(info.ok) << output.toStdString();
            EXPECT_EQ(info.codec, "mp3") << output.toStdString();
            EXPECT_EQ(info.sampleRate, s.expectedRate) << output.toStdString();
            EXPECT_EQ(info.channels, channels) << output.toStdString();
            EXPECT_EQ(info.bitRate, bitRate) << output.toStdString();
            EXPECT_NEAR(info.decodedDuration, source.duration, 0.1) << output.toStdString();
            // ffprobe counts whole frames, the encoder's delay and padding included: at the
            // usual rates that stays within 0.1 s; at 12000 Hz one frame alone is 48 ms.
            if (s.expectedRate >= 32000) {
                EXPECT_NEAR(info.duration, source.duration, 0.1) << output.toStdString();
            }
        }
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), kGoodFixtures.size());
    }
}

TEST(ConvertEndToEndTest, TagsArriveAndAwkwardNamesGetTheirOwnOutputName) {
    QTemporaryDir in;
    QTemporaryDir out;
    const QString quoted = in.path() + "/say \"hi\" now.ape";
    const QString spaced = in.path() + "/a b.c.ape";
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("tone-44k-stereo-16bit-c2000.ape"), quoted));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("speech-22k-mono-16bit-c1000.ape"), spaced));
    const ProcessResult run =
        convert({"--output", out.path() + "/made here", "--channels", "2",
                 TestPaths::fixture("tagged-44k-stereo.ape"), quoted, spaced});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QString folder = out.path() + "/made here";  // created by the run

    const MediaInfo tagged = probeMedia(outputFor(folder, "tagged-44k-stereo"));
    EXPECT_EQ(tagged.title, "月亮代表我的心 (Test Title)");
    EXPECT_EQ(tagged.artist, "测试歌手 Test Artist");
    EXPECT_EQ(tagged.album, "Fixture Album 测试专辑");

    const MediaInfo fromQuoted = probeMedia(outputFor(folder, "say \"hi\" now"));
    EXPECT_TRUE(fromQuoted.ok);
    EXPECT_NEAR(fromQuoted.duration, 5.0, 0.1);
    const MediaInfo fromMono = probeMedia(outputFor(folder, "a b"));
    EXPECT_EQ(fromMono.channels, 2) << "a mono input asked for stereo comes out stereo";
    EXPECT_NEAR(fromMono.duration, 3.0, 0.1);
}

TEST(ConvertEndToEndTest, SameFileTwiceNeverOverwritesTheFirstOutput) {
    QTemporaryDir out;
    const QString input = TestPaths::fixture("my song.live.2010.ape");
    const ProcessResult run = convert({"--output", out.path(), input, input, input});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    const QStringList outputs = QDir(out.path()).entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 3) << outputs.join(", ").toStdString();
    for (const QString& name : outputs) {
        EXPECT_TRUE(probeMedia(out.path() + "/" + name).ok) << name.toStdString();
    }
}

TEST(ConvertEndToEndTest, BadInputsAreReportedAndTheRestOfTheBatchConverts) {
    QTemporaryDir out;
    const QStringList bad = {"empty.ape", "not-audio.ape", "truncated.ape"};
    QStringList arguments = {"--output", out.path(), TestPaths::fixture("tone.wav")};
    for (const QString& name : bad) {
        arguments << TestPaths::fixture(name) << TestPaths::fixture("my song.live.2010.ape");
    }
    const ProcessResult run = convert(arguments);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("converted 4, failed 3")) << run.out.toStdString();
    for (const QString& name : bad) {
        // Each failure names its input and carries a message line under it.
        const QRegularExpression report(
            "failed: " + QRegularExpression::escape(TestPaths::fixture(name)) +
            R"(\n  \S[^\n]+\n)");
        EXPECT_TRUE(report.match(run.out).hasMatch()) << name.toStdString() << "\n"
                                                      << run.out.toStdString();
    }
    // Only the four good conversions are there: no partial output of a failed one.
    const QStringList outputs = QDir(out.path()).entryList(QDir::Files);
    EXPECT_EQ(outputs.size(), 4) << outputs.join(", ").toStdString();
    for (const QString& name : outputs) {
        EXPECT_TRUE(name.startsWith("tone_") || name.startsWith("my song_")) << name.toStdString();
        EXPECT_TRUE(probeMedia(out.path() + "/" + name).ok);
    }
}

TEST(ConvertEndToEndTest, FoldersAreSearchedForApeFiles) {
    QTemporaryDir in;
    QTemporaryDir out;
    QDir(in.path()).mkpath("disc 1");
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("tone.wav"), in.path() + "/skip.wav"));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("月亮代表我的心.ape"), in.path() + "/disc 1/x.APE"));
    const ProcessResult run = convert({"--output", out.path(), in.path()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("converted 1, failed 0")) << run.out.toStdString();
    EXPECT_FALSE(outputFor(out.path(), "x").isEmpty());
}

TEST(ConvertEndToEndTest, MissingEncoderIsReportedWithoutHanging) {
    QTemporaryDir program;
    const QString copy = program.path() + "/vordana";
    ASSERT_TRUE(QFile::copy(vordana(), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner);
    QTemporaryDir out;
    const ProcessResult run =
        runProgram(copy,
                   {"--convert", "--output", out.path(), TestPaths::fixture("tone.wav"),
                    TestPaths::fixture("empty.ape")},
                   30000);
    ASSERT_TRUE(run.finished) << "the run hung without its encoder";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count("File or command not found"), 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("converted 0, failed 2")) << run.out.toStdString();
}

TEST(ConvertEndToEndTest, BadUsageExitsWithTwo) {
    EXPECT_EQ(convert({}).exitCode, 2);
    EXPECT_EQ(convert({"--channels", "5", "x.ape"}).exitCode, 2);
}

TEST(ConvertEndToEndTest, CtrlCCancelsTheBatchLeavingNoEncoderAndNoPartialFile) {
    // Ctrl-C at a terminal signals the whole foreground process group.
    QTemporaryDir out;
    QProcess run;
    run.setChildProcessModifier([] { ::setpgid(0, 0); });
    run.setStandardInputFile(QProcess::nullDevice());
    run.start(vordana(), {"--convert", "--jobs", "1", "--output", out.path(),
                          TestPaths::benchInput("long-180s-44k-stereo-c4000.ape"),
                          TestPaths::fixture("tone.wav")});
    ASSERT_TRUE(run.waitForStarted());
    // Well into the first file: its encoder is at work and has written part of it.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return run.readAllStandardError().contains("started"); }, 20000));
    QTest::qWait(500);
    ::kill(-static_cast<pid_t>(run.processId()), SIGINT);
    ASSERT_TRUE(run.state() == QProcess::NotRunning || run.waitForFinished(10000))
        << "the batch did not stop";
    EXPECT_EQ(run.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.exitCode(), 130);
    const QString report = QString::fromUtf8(run.readAllStandardOutput());
    EXPECT_TRUE(report.contains("converted 0, failed 0, cancelled 2")) << report.toStdString();
    EXPECT_TRUE(report.contains(TestPaths::fixture("tone.wav"))) << "files not converted are named";

    EXPECT_TRUE(QTest::qWaitFor([&] { return processesMentioning(out.path()).isEmpty(); }, 5000))
        << "an encoder outlived the batch";
    const QStringList left = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << left.join(", ").toStdString();
}

TEST(ConvertEndToEndTest, AStrangersProcessNamedCoderDoesNotHoldTheRun) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::copy("/bin/sleep", elsewhere.path() + "/coder"));
    QFile::setPermissions(elsewhere.path() + "/coder", QFile::ReadOwner | QFile::ExeOwner);
    QProcess stranger;
    stranger.start(elsewhere.path() + "/coder", {"60"});
    ASSERT_TRUE(stranger.waitForStarted());

    QTemporaryDir out;
    QElapsedTimer clock;
    clock.start();
    const ProcessResult run =
        convert({"--output", out.path(), TestPaths::fixture("my song.live.2010.ape")});
    const qint64 elapsed = clock.elapsed();
    stranger.kill();
    stranger.waitForFinished();
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_LT(elapsed, 15000) << "the run waited for a process that is not its own";
    EXPECT_FALSE(outputFor(out.path(), "my song").isEmpty());
}

TEST(ConvertEndToEndTest, TwoRunsAtOnceIntoOneFolderKeepBothResults) {
    // Same input, same folder, same second: each run must get a name of its own, every time.
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir out;
        QProcess first;
        QProcess second;
        for (QProcess* run : {&first, &second}) {
            run->start(vordana(), {"--convert", "-q", "-j", "1", "-o", out.path(),
                                   TestPaths::fixture("my song.live.2010.ape")});
        }
        for (QProcess* run : {&first, &second}) {
            ASSERT_TRUE(run->waitForFinished(60000));
            EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardError().toStdString();
        }
        const QStringList outputs = QDir(out.path()).entryList(QDir::Files | QDir::Hidden);
        ASSERT_EQ(outputs.size(), 2) << outputs.join(", ").toStdString();
        for (const QString& name : outputs) {
            EXPECT_NEAR(probeMedia(out.path() + "/" + name).decodedDuration, 2.0, 0.1)
                << name.toStdString();
        }
    }
}

TEST(ConvertEndToEndTest, NamesOfAnyKindConvertAndGiveReadableOutputNames) {
    QTemporaryDir in;
    const QByteArray folder = QFile::encodeName(in.path());
    // "月亮.ape" as an older Chinese system writes it (GBK bytes), and a name of 250 bytes.
    const QByteArray gbk = folder + "/\xd4\xc2\xc1\xc1.ape";
    const QByteArray longName = folder + "/" + QByteArray(246, 'a') + ".ape";
    for (const QByteArray& target : {gbk, longName}) {
        QFile source(TestPaths::fixture("tone.wav"));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        FILE* file = std::fopen(target.constData(), "wb");
        ASSERT_NE(file, nullptr);
        const QByteArray bytes = source.readAll();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
        std::fclose(file);
    }
    // Named directly (the bytes as they are, through a shell) and found in a folder.
    QTemporaryDir direct;
    const ProcessResult named = runProgram(
        "sh",
        {"-c",
         "exec \"$0\" --convert -q -o \"$1\" \"$(printf '%s/\\324\\302\\301\\301.ape' \"$2\")\"",
         vordana(), direct.path(), in.path()});
    EXPECT_EQ(named.exitCode, 0) << named.out.toStdString() << named.err.toStdString();
    EXPECT_FALSE(outputFor(direct.path(), QString::fromUtf8("月亮")).isEmpty())
        << QDir(direct.path()).entryList().join(", ").toStdString();

    QTemporaryDir scanned;
    const ProcessResult run = convert({"-q", "-o", scanned.path(), in.path()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QStringList outputs = QDir(scanned.path()).entryList(QDir::Files);
    ASSERT_EQ(outputs.size(), 2) << outputs.join(", ").toStdString();
    for (const QString& name : outputs) {
        EXPECT_LE(QFile::encodeName(name).size(), 255 - 6) << name.toStdString();
        EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
        EXPECT_NEAR(probeMedia(scanned.path() + "/" + name).decodedDuration, 2.0, 0.1);
    }
    EXPECT_FALSE(outputFor(scanned.path(), QString::fromUtf8("月亮")).isEmpty());
}

TEST(ConvertEndToEndTest, AClosedOutputDoesNotStopTheBatch) {
    QTemporaryDir out;
    const ProcessResult run =
        runProgram("bash", {"-c",
                            "\"$0\" --convert -j 1 -o \"$1\" \"$2\" \"$3\" | head -c 1 >/dev/null; "
                            "echo \"status=${PIPESTATUS[0]}\"",
                            vordana(), out.path(), TestPaths::fixture("tone.wav"),
                            TestPaths::fixture("my song.live.2010.ape")});
    EXPECT_TRUE(run.out.contains("status=0")) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 2);
}

TEST(ConvertEndToEndTest, CtrlCWithTwoFilesAtWorkCancelsBoth) {
    QTemporaryDir in;
    QTemporaryDir out;
    const QString longFile = TestPaths::benchInput("long-180s-44k-stereo-c4000.ape");
    ASSERT_TRUE(QFile::link(longFile, in.path() + "/a.ape"));
    ASSERT_TRUE(QFile::link(longFile, in.path() + "/b.ape"));
    QProcess run;
    run.setChildProcessModifier([] { ::setpgid(0, 0); });
    run.start(vordana(), {"--convert", "--json", "-j", "2", "-o", out.path(), in.path()});
    ASSERT_TRUE(run.waitForStarted());
    QByteArray progress;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            progress += run.readAllStandardError();
            return progress.count("started:") == 2;
        },
        20000));
    QTest::qWait(500);
    ::kill(-static_cast<pid_t>(run.processId()), SIGINT);
    ASSERT_TRUE(run.state() == QProcess::NotRunning || run.waitForFinished(10000));
    EXPECT_EQ(run.exitCode(), 130);
    const QJsonObject report = QJsonDocument::fromJson(run.readAllStandardOutput()).object();
    EXPECT_EQ(report.value("cancelled").toInt(), 2);
    EXPECT_EQ(report.value("converted").toInt(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return processesMentioning(out.path()).isEmpty(); }, 5000))
        << "an encoder outlived the batch";
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(ConvertEndToEndTest, JsonIsTheOnlyThingOnStandardOutput) {
    QTemporaryDir out;
    const QStringList inputs = {TestPaths::fixture("tone.wav"), TestPaths::fixture("empty.ape"),
                                TestPaths::fixture("my song.live.2010.ape")};
    const ProcessResult run = convert(QStringList{"--json", "-o", out.path()} + inputs);
    EXPECT_EQ(run.exitCode, 1);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    const QJsonObject report = document.object();
    EXPECT_EQ(report.value("converted").toInt(), 2);
    EXPECT_EQ(report.value("failed").toInt(), 1);
    const QJsonArray files = report.value("files").toArray();
    ASSERT_EQ(files.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject file = files[i].toObject();
        EXPECT_EQ(file.value("input").toString(), inputs[i]);
        EXPECT_EQ(file.value("status").toString(), i == 1 ? "failed" : "converted");
        EXPECT_EQ(QFileInfo::exists(file.value("output").toString()), i != 1);
        EXPECT_GE(file.value("seconds").toDouble(), 0.0);
    }
    EXPECT_FALSE(files[1].toObject().value("reason").toString().isEmpty());
    EXPECT_TRUE(run.err.contains("failed: " + inputs[1] + ": ")) << run.err.toStdString();
}

TEST(ConvertEndToEndTest, EncodersThatCannotStartAreSaidOnceWithTheirReason) {
    const QString clip = QStringLiteral(VORDANA_FIXTURES_DIR "/video/clip-320x240-25fps-3s.avi");
    const QString other = QStringLiteral(VORDANA_FIXTURES_DIR "/video/clip-640x360-30fps-2s.mp4");
    const struct {
        const char* name;
        bool coderThere;  // but not executable
        QStringList arguments;
        QString reason;
    } cases[] = {
        // Both lanes reach the second stage, whose program is missing.
        {"missing second stage",
         false,
         {"--format", "rmvb", "-j", "2", clip, other},
         "File or command not found"},
        {"coder not executable",
         true,
         {"-j", "1", TestPaths::fixture("tone.wav"), clip},
         "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir program;
        QTemporaryDir out;
        QDir().mkpath(program.path() + "/data");
        ASSERT_TRUE(QFile::copy(vordana(), program.path() + "/vordana"));
        ASSERT_TRUE(
            QFile::copy(TestPaths::programFolder() + "/data/conv", program.path() + "/data/conv"));
        if (c.coderThere) {
            ASSERT_TRUE(QFile::copy(TestPaths::programFolder() + "/data/coder",
                                    program.path() + "/data/coder"));
            QFile::setPermissions(program.path() + "/data/coder", QFile::ReadOwner);
        }
        const ProcessResult run =
            runProgram(program.path() + "/vordana",
                       QStringList{"--convert", "--json", "-o", out.path()} + c.arguments, 60000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(run.err.count(c.reason), 1) << run.err.toStdString();
        const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
        const QJsonArray files = report.value("files").toArray();
        ASSERT_EQ(files.size(), 2) << run.out.toStdString();
        for (const QJsonValue& file : files) {
            EXPECT_EQ(file.toObject().value("status").toString(), "failed");
            EXPECT_TRUE(file.toObject().value("reason").toString().contains(c.reason))
                << run.out.toStdString();
        }
        EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST(ConvertEndToEndTest, ManyLanesWithFewDescriptorsConvertEveryFile) {
    // More files than 40 descriptors hold encoders for at once.
    QTemporaryDir out;
    QStringList inputs;
    for (int i = 0; i < 20; ++i) {
        inputs << TestPaths::fixture(i % 2 == 0 ? "tone.wav" : "my song.live.2010.ape");
    }
    const ProcessResult run =
        runProgram("bash",
                   QStringList{"-c", "ulimit -n 40 && exec \"$0\" --convert -q -j 30 -o \"$@\"",
                               vordana(), out.path()} +
                       inputs,
                   120000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("converted 20, failed 0")) << run.out.toStdString();
    const QRegularExpression note(
        R"(vordana: (\d+) files at once, not 30: the limit of open files \(ulimit -n\) is 40\n)");
    EXPECT_EQ(run.err.count(note), 1) << run.err.toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files).size(), 20);
}

TEST(ConvertEndToEndTest, WhatAKilledRunLeftIsRemovedByTheNextRun) {
    // SIGKILL to the program's process group and to its encoder's (a group of its own): what a
    // power cut does to them.
    // A private folder of the test's own: another test's run would sweep the debris too.
    QTemporaryDir out;
    QTemporaryDir runtime;
    const QString runtimeSetting = "XDG_RUNTIME_DIR=" + runtime.path();
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtime.path());
    run.setProcessEnvironment(environment);
    run.setChildProcessModifier([] { ::setpgid(0, 0); });
    run.setStandardInputFile(QProcess::nullDevice());
    run.start(vordana(), {"--convert", "-j", "1", "-o", out.path(),
                          TestPaths::benchInput("long-180s-44k-stereo-c4000.ape")});
    ASSERT_TRUE(run.waitForStarted());
    const auto left = [&] { return QDir(out.path()).entryList(QDir::Files | QDir::Hidden); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return left().size() == 2; }, 20000))
        << "the reserved name and the encoder's partial file";
    const QList<int> encoders = processesMentioning(out.path());
    const auto program = static_cast<pid_t>(run.processId());
    ::kill(-program, SIGKILL);
    for (const int encoder : encoders) {
        ::kill(encoder, SIGKILL);
    }
    ASSERT_TRUE(run.waitForFinished(10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return processesMentioning(out.path()).isEmpty(); }, 5000));
    const QStringList records{QStringLiteral("record-%1-*").arg(program)};
    const QDir privateFolder(runtime.path() + "/vordana");
    ASSERT_EQ(left().size(), 2) << left().join(", ").toStdString();
    ASSERT_EQ(privateFolder.entryList(records, QDir::Files).size(), 1);

    QTemporaryDir next;
    const ProcessResult after =
        convert({"-q", "-o", next.path(), TestPaths::fixture("tone.wav")}, {runtimeSetting});
    EXPECT_EQ(after.exitCode, 0) << after.err.toStdString();
    EXPECT_TRUE(left().isEmpty()) << left().join(", ").toStdString();
    EXPECT_TRUE(privateFolder.entryList(records, QDir::Files).isEmpty());
}

TEST(ConvertEndToEndTest, AFallbackPrivateFolderIsRemovedAtTheEnd) {
    // A link planted where the private folder belongs makes the run use a fresh one; a video
    // format puts a work folder and an intermediate into it.
    QTemporaryDir runtime;
    QTemporaryDir planted;
    QTemporaryDir out;
    ASSERT_TRUE(QFile::link(planted.path(), runtime.path() + "/vordana"));
    const ProcessResult run =
        convert({"-q", "--format", "rmvb", "-o", out.path(),
                 QStringLiteral(VORDANA_FIXTURES_DIR "/video/clip-320x240-25fps-3s.avi")},
                {"XDG_RUNTIME_DIR=" + runtime.path()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    const QRegularExpressionMatch fresh =
        QRegularExpression("using (/tmp/vordana-\\S+) instead").match(run.err);
    ASSERT_TRUE(fresh.hasMatch()) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fresh.captured(1)));
    EXPECT_TRUE(QDir(planted.path()).isEmpty());
}

TEST(ConvertEndToEndTest, ARelativeNonUtf8NameIsReportedUnderTheUsersPath) {
    QTemporaryDir cwd;
    ASSERT_TRUE(QDir(cwd.path()).mkdir("nonutf"));
    const QByteArray folder = QFile::encodeName(cwd.path()) + "/nonutf/";
    QFile tone(TestPaths::fixture("tone.wav"));
    ASSERT_TRUE(tone.open(QIODevice::ReadOnly));
    for (const auto& [name, bytes] : {std::pair{"gbk-\xd4\xc2\xc1\xc1.ape", tone.readAll()},
                                      std::pair{"bad-\xd4\xc2.ape", QByteArray("no audio")}}) {
        FILE* file = std::fopen(folder + name, "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file);
        std::fclose(file);
    }
    const QString good = cwd.path() + QString::fromUtf8("/nonutf/gbk-月亮.ape");
    const QString failed = cwd.path() + QString::fromUtf8("/nonutf/bad-月.ape");
    const QString badArgument = R"sh( "nonutf/$(printf 'bad-\xd4\xc2.ape')")sh";
    const struct {
        QString more;
        int exitCode;
        QStringList expected;
    } cases[] = {
        {"", 0, {"done: " + good + " -> " + cwd.path() + QString::fromUtf8("/o/gbk-月亮_")}},
        {badArgument, 1, {"failed: " + failed + "\n", "conversion failed: " + failed + ": "}},
        {" --json" + badArgument,
         1,
         {"\"input\": \"" + good + "\"", "\"input\": \"" + failed + "\""}},
    };
    for (const auto& c : cases) {
        const ProcessResult run = runProgram(
            "bash",
            {"-c",
             R"sh(cd "$1" && exec "$0" --convert -o o "nonutf/$(printf 'gbk-\xd4\xc2\xc1\xc1.ape')")sh" +
                 c.more,
             vordana(), cwd.path()});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out.toStdString() << run.err.toStdString();
        for (const QString& line : c.expected) {
            EXPECT_TRUE(run.out.contains(line)) << line.toStdString() << "\n"
                                                << run.out.toStdString();
        }
        EXPECT_FALSE(run.out.contains("/names-")) << "the alias is never named";
    }
}

TEST(ConvertEndToEndTest, AFifoAndALinkToADeviceInAFolderFailAndTheRestConverts) {
    QTemporaryDir in;
    QTemporaryDir out;
    ASSERT_EQ(::mkfifo(QFile::encodeName(in.path() + "/x.ape").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", in.path() + "/x.cue"));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("my song.live.2010.ape"), in.path() + "/y.ape"));
    const ProcessResult run =
        runProgram(vordana(), {"--convert", "--json", "-o", out.path(), in.path()}, 60000);
    ASSERT_TRUE(run.finished) << "the batch hung on a FIFO or a device";
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(report.value("converted").toInt(), 1) << run.out.toStdString();
    EXPECT_EQ(report.value("failed").toInt(), 2);
    QMap<QString, QString> reasons;
    for (const QJsonValue& file : report.value("files").toArray()) {
        reasons.insert(QFileInfo(file.toObject().value("input").toString()).fileName(),
                       file.toObject().value("reason").toString());
    }
    EXPECT_EQ(reasons.value("x.ape"), "not a regular file: a named pipe (FIFO)");
    EXPECT_EQ(reasons.value("x.cue"), "not a regular file: a device");
    EXPECT_FALSE(outputFor(out.path(), "y").isEmpty());
}

TEST(ConvertEndToEndTest, KeptNamesMirrorTheTreeAndAnotherRunConvertsOnlyWhatIsNew) {
    QTemporaryDir in;
    QTemporaryDir out;
    // A folder's name may start with two dots without leading anywhere.
    ASSERT_TRUE(QDir(in.path()).mkpath("..lib/rock"));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("speech-22k-mono-16bit-c1000.ape"),
                            in.path() + "/..lib/rock/x.live.ape"));
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("music-44k-stereo-16bit-c5000.ape"),
                            in.path() + "/..lib/z.ape"));
    const QStringList options = {"--keep-names", "--tree",   "--skip-existing",   "--json",
                                 "-o",           out.path(), in.path() + "/..lib"};
    const ProcessResult first = convert(options);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    for (const char* name : {"/..lib/rock/x.live.mp3", "/..lib/z.mp3"}) {
        EXPECT_TRUE(QFileInfo::exists(out.path() + name)) << name;
    }

    // The collection grew by one file: only that one converts, the others are skipped.
    ASSERT_TRUE(QFile::copy(TestPaths::fixture("tone-44k-stereo-16bit-c2000.ape"),
                            in.path() + "/..lib/rock/new.ape"));
    const ProcessResult second = convert(options);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(second.out.toUtf8()).object();
    EXPECT_EQ(report.value("converted").toInt(), 1);
    EXPECT_EQ(report.value("skipped").toInt(), 2);
    QStringList statuses;
    for (const QJsonValue file : report.value("files").toArray()) {
        statuses << QFileInfo(file.toObject().value("output").toString()).fileName() + " " +
                        file.toObject().value("status").toString();
    }
    statuses.sort();
    EXPECT_EQ(statuses, (QStringList{"new.mp3 converted", "x.live.mp3 skipped", "z.mp3 skipped"}));
}

TEST(ConvertEndToEndTest, TheRunnersLogIsOffUnlessAskedFor) {
    for (const bool asked : {false, true}) {
        QTemporaryDir out;
        const ProcessResult run =
            convert({"-q", "-o", out.path(), TestPaths::fixture("tone.wav")},
                    {asked ? "QT_LOGGING_RULES=vordana.runner.debug=true" : "QT_LOGGING_RULES="});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const bool logged = run.err.contains("/data/coder -i ") &&
                            run.err.contains(QRegularExpression("ended \\d+ with status 0"));
        EXPECT_EQ(logged, asked) << run.err.toStdString();
    }
}
