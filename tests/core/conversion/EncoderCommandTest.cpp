#include "conversion/EncoderCommand.h"
#include "conversion/SecondStageCommand.h"

#include "process/CommandLineText.h"

#include <gtest/gtest.h>

#include <QSet>
#include <ostream>

[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

[[maybe_unused]] static void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i == 0 ? "" : ", ") << '"' << list.at(i).toStdString() << '"';
    }
    *os << ']';
}

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

QStringList argv(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items) {
        list << u(item);
    }
    return list;
}

EncoderSettings windowsSettings() {
    EncoderSettings settings;
    settings.bitRate = u("128");
    settings.sampleRate = u("44100");
    settings.channelIndex = 1;
    settings.videoBitRate = u("800");
    settings.frameRate = u("25");
    settings.outputFolder = u("E:\\out\\");
    return settings;
}

// This machine's layout, spelled out so the tests do not depend on where they run.
PlatformDescription nativePlatform(const QString& programFolder = u("/opt/vordana")) {
    return {QLatin1Char('/'), QString(), programFolder, u("/run/user/1000/vordana")};
}

EncoderSettings nativeSettings() {
    EncoderSettings settings = windowsSettings();
    settings.outputFolder = u("/home/me/out put/");
    return settings;
}

const QTime kAt953(9, 5, 3);

TEST(EncoderCommandTest, Mp3CommandMatchesTheWindowsInstallationByteForByte) {
    EncoderSettings settings = windowsSettings();
    settings.formatIndex = 8;
    const EncoderCommand command = BuildEncoderCommand(settings, u("E:\\music\\a b.ape"), kAt953,
                                                       PlatformDescription::windows(u("D:\\app")));

    EXPECT_EQ(command.commandLine,
              u("D:\\app\\data\\coder.exe -i \"E:\\music\\a b.ape\" -y -vn -ar 44100 -ab 128k "
                "-ac 2 \"E:\\out\\a b_953.mp3\""));
    EXPECT_EQ(command.runner, RunnerChoice::objffmpeg);
    EXPECT_EQ(command.imageName, u("coder.exe"));
    EXPECT_EQ(command.outputPath, u("E:\\out\\a b_953.mp3"));
    EXPECT_TRUE(command.writesFinalFile);
}

struct FormatCase {
    int formatIndex;
    RunnerChoice runner;
    const char* imageName;
    const char* commandLine;
    const char* outputPath;
    bool writesFinalFile;
};

TEST(EncoderCommandTest, EveryFormatPositionBuildsItsTemplate) {
    const char* intermediate =
        "D:\\app\\data\\conv.exe \"E:\\music\\live.2010.ape\" -oac mp3lame -lameopts preset=320 "
        "-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o c:\\tmp\\tmp.mp4";
    const FormatCase cases[] = {
        {0, RunnerChoice::objDOS, "conv.exe", intermediate, "c:\\tmp\\tmp.mp4", false},
        {1, RunnerChoice::objDOS, "conv.exe", intermediate, "c:\\tmp\\tmp.mp4", false},
        {2, RunnerChoice::objDOS, "conv.exe",
         "D:\\app\\data\\conv.exe \"E:\\music\\live.2010.ape\" -oac lavc -lavcopts "
         "acodec=mp2:abitrate=128 -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=800:vpass=1 "
         "-ofps 25 -of lavf -lavfopts format=yuv4mpeg -o \"E:\\out\\live-143059.mpg\"",
         "E:\\out\\live-143059.mpg", true},
        {3, RunnerChoice::objDOS, "conv.exe",
         "D:\\app\\data\\conv.exe \"E:\\music\\live.2010.ape\" -oac lavc -lavcopts "
         "acodec=mp2:abitrate=128 -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=800:vpass=1 "
         "-ofps 25 -of lavf -lavfopts format=yuv4mpeg -o \"E:\\out\\live-143059.avi\"",
         "E:\\out\\live-143059.avi", true},
        {4, RunnerChoice::objDOS, "conv.exe",
         "D:\\app\\data\\conv.exe \"E:\\music\\live.2010.ape\" -oac mp3lame -lameopts preset=128 "
         "-ovc lavc -lavcopts vcodec=mpeg4:vbitrate=800 -of avi -o \"E:\\out\\live-143059.mp4\"",
         "E:\\out\\live-143059.mp4", true},
        {5, RunnerChoice::objDOS, "conv.exe", intermediate, "c:\\tmp\\tmp.mp4", false},
        {6, RunnerChoice::objDOS, "conv.exe", intermediate, "c:\\tmp\\tmp.mp4", false},
        {7, RunnerChoice::objDOS, "conv.exe", intermediate, "c:\\tmp\\tmp.mp4", false},
        {8, RunnerChoice::objffmpeg, "coder.exe",
         "D:\\app\\data\\coder.exe -i \"E:\\music\\live.2010.ape\" -y -vn -ar 44100 -ab 128k "
         "-ac 1 \"E:\\out\\live_143059.mp3\"",
         "E:\\out\\live_143059.mp3", true},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.formatIndex);
        EncoderSettings settings = windowsSettings();
        settings.formatIndex = c.formatIndex;
        settings.channelIndex = 0;  // mono: the encoder is told one channel
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("E:\\music\\live.2010.ape"), QTime(14, 30, 59),
                                PlatformDescription::windows(u("D:\\app")));
        EXPECT_EQ(command.commandLine, u(c.commandLine));
        EXPECT_EQ(command.runner, c.runner);
        EXPECT_EQ(command.imageName, u(c.imageName));
        EXPECT_EQ(command.outputPath, u(c.outputPath));
        EXPECT_EQ(command.writesFinalFile, c.writesFinalFile);
    }
}

TEST(EncoderCommandTest, NativeBuildUsesThePlatformsSeparatorAndImageNames) {
    EncoderSettings settings = nativeSettings();
    settings.formatIndex = 8;
    const EncoderCommand mp3 =
        BuildEncoderCommand(settings, u("/home/me/a.ape"), kAt953, nativePlatform());
    EXPECT_EQ(mp3.commandLine, u("/opt/vordana/data/coder -i \"/home/me/a.ape\" -y -vn -ar 44100 "
                                 "-ab 128k -ac 2 \"/home/me/out put/a_953.mp3\""));
    EXPECT_EQ(mp3.imageName, u("coder"));

    settings.formatIndex = 0;
    const EncoderCommand video =
        BuildEncoderCommand(settings, u("/home/me/a.ape"), kAt953, nativePlatform());
    EXPECT_EQ(video.commandLine,
              u("/opt/vordana/data/conv \"/home/me/a.ape\" -oac mp3lame -lameopts preset=320 -ovc "
                "lavc -lavcopts vcodec=mpeg4:vbitrate=1200 -of avi -o "
                "/run/user/1000/vordana/tmp.mp4"));
    EXPECT_EQ(video.imageName, u("conv"));
    EXPECT_EQ(video.outputPath, u("/run/user/1000/vordana/tmp.mp4"));
}

TEST(EncoderCommandTest, IntermediateFileIsQuotedOnlyWhenItWouldSplit) {
    EncoderSettings settings = nativeSettings();
    settings.formatIndex = 6;
    const struct {
        const char* temporaryFolder;
        const char* lastArgumentText;  // how the intermediate ends the command line
        const char* intermediate;      // what the encoder receives
    } cases[] = {
        {"/tmp/vordana-1000", " -o /tmp/vordana-1000/tmp.mp4", "/tmp/vordana-1000/tmp.mp4"},
        {"/tmp/my scratch", " -o \"/tmp/my scratch/tmp.mp4\"", "/tmp/my scratch/tmp.mp4"},
        {"/tmp/tab\there", " -o \"/tmp/tab\there/tmp.mp4\"", "/tmp/tab\there/tmp.mp4"},
        {"/tmp/q\"x", " -o \"/tmp/q\\\"x/tmp.mp4\"", "/tmp/q\"x/tmp.mp4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temporaryFolder);
        PlatformDescription platform = nativePlatform();
        platform.temporaryFolder = u(c.temporaryFolder);
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("/home/me/a.ape"), kAt953, platform);
        EXPECT_TRUE(command.commandLine.endsWith(u(c.lastArgumentText)))
            << command.commandLine.toStdString();
        EXPECT_EQ(command.outputPath, u(c.intermediate));

        const auto split = CommandLineText::splitCommandLine(
            command.commandLine, [](const QString& p) { return p == u("/opt/vordana/data/conv"); });
        ASSERT_TRUE(split.has_value());
        ASSERT_FALSE(split->arguments.isEmpty());
        EXPECT_EQ(split->arguments.last(), u(c.intermediate));
    }
}

TEST(EncoderCommandTest, OutOfRangeFormatGivesNoCommand) {
    for (const int formatIndex : {-1, 13}) {
        SCOPED_TRACE(formatIndex);
        EncoderSettings settings = nativeSettings();
        settings.formatIndex = formatIndex;
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("/home/me/a.ape"), kAt953, nativePlatform());
        EXPECT_TRUE(command.commandLine.isEmpty()) << command.commandLine.toStdString();
        EXPECT_FALSE(command.writesFinalFile);
    }
}

struct RoundTripCase {
    const char* input;
    const char* output;
};

// Whatever the file is called, the encoder must receive exactly the input and output paths:
// a quote in a Linux file name must not end the argument and smuggle in options.
TEST(EncoderCommandTest, PathsSplitBackToExactlyTheFilesNamed) {
    const RoundTripCase cases[] = {
        {"/home/me/My Music/a  b.ape", "/home/me/out put/a  b_953.mp3"},
        {"/home/me/live.2010.final.ape", "/home/me/out put/live_953.mp3"},
        {"/home/me/音乐/月亮代表我的心.ape", "/home/me/out put/月亮代表我的心_953.mp3"},
        {"/home/me/say \"hi\" -y.ape", "/home/me/out put/say \"hi\" -y_953.mp3"},
        {"/home/me/x\" -f null \"y.ape", "/home/me/out put/x\" -f null \"y_953.mp3"},
        {"/home/me/one\\\"q.ape", "/home/me/out put/one\\\"q_953.mp3"},
        {"/home/me/two\\\\\"q.ape", "/home/me/out put/two\\\\\"q_953.mp3"},
        {"/home/me/ends\\", "/home/me/out put/ends\\_953.mp3"},
        {"/home/me/tab\tname.ape", "/home/me/out put/tab\tname_953.mp3"},
    };
    const auto isCoder = [](const QString& p) { return p == u("/opt/vordana/data/coder"); };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.input);
        EncoderSettings settings = nativeSettings();
        settings.formatIndex = 8;
        const EncoderCommand command =
            BuildEncoderCommand(settings, u(c.input), kAt953, nativePlatform());
        EXPECT_EQ(command.outputPath, u(c.output));

        const auto split = CommandLineText::splitCommandLine(command.commandLine, isCoder);
        ASSERT_TRUE(split.has_value()) << command.commandLine.toStdString();
        EXPECT_EQ(split->program, u("/opt/vordana/data/coder"));
        EXPECT_EQ(split->arguments, argv({"-i", c.input, "-y", "-vn", "-ar", "44100", "-ab", "128k",
                                          "-ac", "2", c.output}));
    }
}

TEST(EncoderCommandTest, VideoCommandsSplitBackToExactlyTheFilesNamed) {
    const char* input = "/home/me/say \"hi\\\".ape";
    const auto isConv = [](const QString& p) { return p == u("/opt/vordana/data/conv"); };
    const struct {
        int formatIndex;
        QStringList arguments;
    } cases[] = {
        {2,
         argv({input, "-oac", "lavc", "-lavcopts", "acodec=mp2:abitrate=128", "-ovc", "lavc",
               "-lavcopts", "vcodec=mpeg1video:vbitrate=800:vpass=1", "-ofps", "25", "-of", "lavf",
               "-lavfopts", "format=yuv4mpeg", "-o", "/home/me/out put/say \"hi\\\"-953.mpg"})},
        {4, argv({input, "-oac", "mp3lame", "-lameopts", "preset=128", "-ovc", "lavc", "-lavcopts",
                  "vcodec=mpeg4:vbitrate=800", "-of", "avi", "-o",
                  "/home/me/out put/say \"hi\\\"-953.mp4"})},
        {7, argv({input, "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc", "lavc", "-lavcopts",
                  "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o",
                  "/run/user/1000/vordana/tmp.mp4"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formatIndex);
        EncoderSettings settings = nativeSettings();
        settings.formatIndex = c.formatIndex;
        const EncoderCommand command =
            BuildEncoderCommand(settings, u(input), kAt953, nativePlatform());
        const auto split = CommandLineText::splitCommandLine(command.commandLine, isConv);
        ASSERT_TRUE(split.has_value()) << command.commandLine.toStdString();
        EXPECT_EQ(split->program, u("/opt/vordana/data/conv"));
        EXPECT_EQ(split->arguments, c.arguments);
    }
}

TEST(EncoderCommandTest, ProgramFolderWithBlanksStaysUnquotedAtTheHead) {
    EncoderSettings settings = windowsSettings();
    settings.formatIndex = 8;
    const EncoderCommand windows =
        BuildEncoderCommand(settings, u("E:\\music\\a b.ape"), kAt953,
                            PlatformDescription::windows(u("C:\\Program Files\\Vordana")));
    EXPECT_TRUE(windows.commandLine.startsWith(
        u("C:\\Program Files\\Vordana\\data\\coder.exe -i \"E:\\music\\a b.ape\" ")))
        << windows.commandLine.toStdString();

    settings = nativeSettings();
    settings.formatIndex = 8;
    const QString coder = u("/opt/my apps/vor dana/data/coder");
    const EncoderCommand native = BuildEncoderCommand(settings, u("/home/me/a b.ape"), kAt953,
                                                      nativePlatform(u("/opt/my apps/vor dana")));
    EXPECT_TRUE(native.commandLine.startsWith(coder + u(" -i ")))
        << native.commandLine.toStdString();

    // "/opt/my" exists too (a folder): only the encoder file itself counts as the program.
    const auto split = CommandLineText::splitCommandLine(
        native.commandLine, [&](const QString& p) { return p == coder; });
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->program, coder);
    EXPECT_EQ(split->arguments, argv({"-i", "/home/me/a b.ape", "-y", "-vn", "-ar", "44100", "-ab",
                                      "128k", "-ac", "2", "/home/me/out put/a b_953.mp3"}));
}

TEST(EncoderCommandTest, TimeStampHasNoLeadingZeros) {
    const struct {
        QTime time;
        const char* stamp;
    } cases[] = {
        {QTime(9, 5, 3), "953"},       {QTime(14, 30, 59), "143059"},
        {QTime(0, 0, 0), "000"},       {QTime(1, 15, 7), "1157"},
        {QTime(11, 5, 7), "1157"},     {QTime(10, 10, 10), "101010"},
        {QTime(23, 59, 59), "235959"}, {QTime(12, 0, 9, 999), "1209"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stamp);
        EXPECT_EQ(TimeStamp(c.time), u(c.stamp));
    }
}

TEST(EncoderCommandTest, TakenOutputNameGetsANumberBeforeTheExtension) {
    QSet<QString> existing;
    const auto exists = [&](const QString& name) { return existing.contains(name); };
    EncoderSettings settings = windowsSettings();
    settings.formatIndex = 8;
    const PlatformDescription platform = PlatformDescription::windows(u("D:\\app"));

    // 1:15:07 and 11:05:07 stamp alike; the second file must not replace the first.
    const EncoderCommand first =
        BuildEncoderCommand(settings, u("E:\\music\\a b.ape"), QTime(1, 15, 7), platform, exists);
    EXPECT_EQ(first.outputPath, u("E:\\out\\a b_1157.mp3"));
    existing.insert(first.outputPath);

    const EncoderCommand second =
        BuildEncoderCommand(settings, u("E:\\music\\a b.ape"), QTime(11, 5, 7), platform, exists);
    EXPECT_EQ(second.outputPath, u("E:\\out\\a b_1157-2.mp3"));
    EXPECT_EQ(second.commandLine,
              u("D:\\app\\data\\coder.exe -i \"E:\\music\\a b.ape\" -y -vn -ar 44100 -ab 128k "
                "-ac 2 \"E:\\out\\a b_1157-2.mp3\""));
    existing.insert(second.outputPath);

    // Another input with the same base name in another folder.
    const EncoderCommand third =
        BuildEncoderCommand(settings, u("F:\\other\\a b.flac"), QTime(11, 5, 7), platform, exists);
    EXPECT_EQ(third.outputPath, u("E:\\out\\a b_1157-3.mp3"));

    // A name free in its own right is left alone even when numbered ones exist.
    existing = {u("E:\\out\\a b_953-2.mp3")};
    EXPECT_EQ(
        BuildEncoderCommand(settings, u("E:\\music\\a b.ape"), kAt953, platform, exists).outputPath,
        u("E:\\out\\a b_953.mp3"));
}

TEST(EncoderCommandTest, VideoOutputsAreNumberedButTheIntermediateIsNot) {
    const PlatformDescription platform = nativePlatform();
    const QSet<QString> existing = {
        u("/home/me/out put/a-953.mpg"), u("/home/me/out put/a-953.avi"),
        u("/home/me/out put/a-953-2.avi"), u("/home/me/out put/a-953.mp4"),
        u("/run/user/1000/vordana/tmp.mp4")};
    const auto exists = [&](const QString& name) { return existing.contains(name); };
    const struct {
        int formatIndex;
        const char* outputPath;
    } cases[] = {
        {2, "/home/me/out put/a-953-2.mpg"},
        {3, "/home/me/out put/a-953-3.avi"},
        {4, "/home/me/out put/a-953-2.mp4"},
        // The second stage reuses the scratch file; renaming it would lose it.
        {0, "/run/user/1000/vordana/tmp.mp4"},
        {8, "/home/me/out put/a_953.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.formatIndex);
        EncoderSettings settings = nativeSettings();
        settings.formatIndex = c.formatIndex;
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("/home/me/a.ape"), kAt953, platform, exists);
        EXPECT_EQ(command.outputPath, u(c.outputPath));
        EXPECT_TRUE(
            command.commandLine.endsWith(CommandLineText::quoteArgument(command.outputPath)) ||
            command.commandLine.endsWith(u(" ") + command.outputPath))
            << command.commandLine.toStdString();
    }
}

TEST(EncoderCommandTest, SettingTextsThatAreNotNumbersNeverReachTheCommandLine) {
    // Texts go into the command line as they stand: anything but a number could add options
    // ("-t 1" cuts the file, "-y /other.mp3" overwrites another file).
    const PlatformDescription platform = PlatformDescription::windows(u("D:\\app"));
    const struct {
        int format;
        QString EncoderSettings::*field;
        const char* text;
        const char* reason;
    } bad[] = {
        {8, &EncoderSettings::sampleRate, "44100 -t 1",
         "the sample rate \"44100 -t 1\" is not a number"},
        {8, &EncoderSettings::bitRate, "128k -y /x.mp3 -ab 128",
         "the bit rate \"128k -y /x.mp3 -ab 128\" is not a number"},
        {8, &EncoderSettings::bitRate, "", "the bit rate \"\" is not a number"},
        {8, &EncoderSettings::bitRate, "1.2.3", "the bit rate \"1.2.3\" is not a number"},
        {2, &EncoderSettings::frameRate, "25 -i x", "the frame rate \"25 -i x\" is not a number"},
        {4, &EncoderSettings::videoBitRate, "-5", "the video bit rate \"-5\" is not a number"},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.text);
        EncoderSettings settings = windowsSettings();
        settings.formatIndex = c.format;
        settings.*c.field = u(c.text);
        bool asked = false;
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("E:\\m\\a.ape"), kAt953, platform, [&](const QString&) {
                asked = true;  // no name is reserved for a file that cannot start
                return false;
            });
        EXPECT_TRUE(command.commandLine.isEmpty());
        EXPECT_EQ(command.problem, u(c.reason));
        EXPECT_FALSE(asked);
    }
    // The presets' own texts are numbers.
    EncoderSettings settings = windowsSettings();
    for (const char* rate : {"10.2", "12.2", "28000", "320"}) {
        settings.bitRate = u(rate);
        EXPECT_TRUE(
            BuildEncoderCommand(settings, u("E:\\m\\a.ape"), kAt953, platform).problem.isEmpty())
            << rate;
    }
}

TEST(EncoderCommandTest, OutputNamesTooLongForTheFileSystemAreShortenedInTheBase) {
    EncoderSettings settings = nativeSettings();
    settings.formatIndex = 8;
    // 250 bytes of name, many of them three-byte characters: base + "_953.mp3" would not fit.
    const QString base = QString(80, QChar(0x6708)) + QStringLiteral("abcdefghij");
    ASSERT_EQ(base.toUtf8().size(), 250);
    int calls = 0;
    const EncoderCommand command = BuildEncoderCommand(
        settings, u("/in/") + base + u(".ape"), kAt953, nativePlatform(),
        [&](const QString&) { return ++calls < 3; });  // the first two names are taken
    const QString name = command.outputPath.mid(command.outputPath.lastIndexOf('/') + 1);
    EXPECT_TRUE(name.endsWith(u("_953-3.mp3"))) << name.toStdString();
    EXPECT_LE(name.toUtf8().size(), 255 - 6) << "room for the encoder's .<name>.part";
    EXPECT_GE(name.toUtf8().size(), 255 - 6 - 2) << "cut no more than a character's worth";
    EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(base.startsWith(name.left(name.indexOf(u("_953")))));
}

TEST(EncoderCommandTest, BaseNameIsCutAtTheFirstDot) {
    EncoderSettings settings = nativeSettings();
    settings.formatIndex = 8;
    const EncoderCommand command = BuildEncoderCommand(
        settings, u("/home/me/album.v2/track.01.flac"), kAt953, nativePlatform());
    EXPECT_EQ(command.outputPath, u("/home/me/out put/track_953.mp3"));
}

}  // namespace

namespace {

// The window's word for the source's own size, as the size box gives it.
VideoSize sizeFrom(const char* text) {
    return u(text) == u("原始大小") ? VideoSize::source() : VideoSize::parse(u(text));
}

EncoderSettings videoSettings(int format, const char* size) {
    EncoderSettings settings = windowsSettings();
    settings.formatIndex = format;
    settings.frameSize = sizeFrom(size);
    settings.videoBitRate = u("600");
    settings.outputFolder = u("D:\\out");  // no trailing separator: the second stage adds it
    return settings;
}

}  // namespace

TEST(SecondStageCommandTest, FixedAndSizedTemplatesMatchTheWindowsInstallation) {
    const PlatformDescription platform = PlatformDescription::windows(u("C:\\app"));
    const QTime at(14, 30, 59);
    const struct {
        int format;
        const char* size;
        const char* commandLine;
        const char* imageName;
    } cases[] = {
        {0, "原始大小",
         "C:\\app\\data\\coder.exe -i c:\\tmp\\tmp.mp4 -y -vcodec rv10 -b 1200k -f rm  -ab 128k "
         "-ac 2 \"D:\\out\\clip-143059.rmvb\"",
         "coder.exe"},
        {0, "640x480",
         "C:\\app\\data\\coder.exe -i c:\\tmp\\tmp.mp4 -y -s 640x480 -vcodec rv10 -b 600k -f rm "
         "-ar 44100 -ab 128k -ac 2 \"D:\\out\\clip-143059.rmvb\"",
         "coder.exe"},
        {1, "原始大小",
         "C:\\app\\data\\coder.exe -i c:\\tmp\\tmp.mp4 -y -vcodec rv10 -b 1200k -f rm  -ab 128k "
         "-ac 2 \"D:\\out\\clip-143059.rm\"",
         "coder.exe"},
        {5, "原始大小",
         "C:\\app\\data\\coder.exe -i c:\\tmp\\tmp.mp4 -y -ac 2 -ar 48000 -ab 128k "
         "\"D:\\out\\clip-143059.mov\"",
         "coder.exe"},
        {5, "320x180",
         "C:\\app\\data\\coder.exe -i c:\\tmp\\tmp.mp4 -y -s 320x180 -ac 2 -ar 48000 -ab 128k "
         "\"D:\\out\\clip-143059.mov\"",
         "coder.exe"},
        {6, "原始大小",
         "C:\\app\\data\\coder2.exe -i c:\\tmp\\tmp.mp4 -y -s 320x240 -vcodec mpeg4 -acodec "
         "amr_nb -ac 1 -ar 8000 -ab 12.2k \"D:\\out\\clip-143059.mp4\"",
         "coder2.exe"},
        {7, "176x144",
         "C:\\app\\data\\coder2.exe -i c:\\tmp\\tmp.mp4 -y -s 176x144 -vcodec mpeg4 -acodec "
         "amr_nb -ac 1 -ar 8000 -ab 12.2k \"D:\\out\\clip-143059.3gp\"",
         "coder2.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const EncoderCommand command = BuildSecondStageCommand(videoSettings(c.format, c.size),
                                                               u("E:\\v\\clip.avi"), at, platform);
        EXPECT_EQ(command.commandLine, u(c.commandLine));
        EXPECT_EQ(command.imageName, u(c.imageName));
        EXPECT_EQ(command.runner, RunnerChoice::objffmpeg);
        EXPECT_TRUE(command.problem.isEmpty());
    }
    EXPECT_TRUE(needsSecondStage(0) && needsSecondStage(7));
    EXPECT_FALSE(needsSecondStage(2) || needsSecondStage(4) || needsSecondStage(8));
    EXPECT_TRUE(completesInTheFirstStage(3));
}

TEST(SecondStageCommandTest, SizesAndNumbersThatAreNotSuchNeverReachTheCommandLine) {
    const PlatformDescription platform = PlatformDescription::windows(u("C:\\app"));
    EncoderSettings settings = videoSettings(0, "640x480 -t 1");
    EXPECT_EQ(BuildSecondStageCommand(settings, u("E:\\v\\clip.avi"), kAt953, platform).problem,
              u("the video size \"640x480 -t 1\" is not WIDTHxHEIGHT"));
    settings = videoSettings(1, "640x480");
    settings.sampleRate = u("44100 -y");
    EXPECT_TRUE(BuildSecondStageCommand(settings, u("E:\\v\\clip.avi"), kAt953, platform)
                    .commandLine.isEmpty());
    // The fixed template takes no setting at all, so odd texts elsewhere do not matter.
    settings.frameSize = sizeFrom("原始大小");
    EXPECT_TRUE(BuildSecondStageCommand(settings, u("E:\\v\\clip.avi"), kAt953, platform)
                    .problem.isEmpty());
}

TEST(EncoderCommandTest, AudioFormatsBuildTheirTemplatesWithTheSourcesValuesLeftOut) {
    const struct {
        int format;
        const char* rate;
        int channelIndex;
        const char* vbr;
        const char* tail;  // after "coder -i "/m/a.ape" -y -vn"
    } cases[] = {
        {9, "source", 2, "", " -c:a flac -compression_level 5 \"/o/a_953.flac\""},
        {9, "44100", 0, "", " -ar 44100 -c:a flac -compression_level 5 -ac 1 \"/o/a_953.flac\""},
        {10, "source", 2, "", " -ar 48000 -c:a libopus -b:a 160k \"/o/a_953.opus\""},
        {11, "source", 1, "", " -c:a aac -b:a 256k -ac 2 \"/o/a_953.m4a\""},
        {12, "source", 2, "", " -c:a libvorbis -q:a 6 \"/o/a_953.ogg\""},
        {8, "source", 1, "", " -ab 320k -ac 2 \"/o/a_953.mp3\""},
        {8, "48000", 1, "2", " -ar 48000 -q:a 2 -ac 2 \"/o/a_953.mp3\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        EncoderSettings settings;
        settings.applyPreset(c.format);
        settings.sampleRate = u(c.rate);
        settings.channelIndex = c.channelIndex;
        settings.vbr = u(c.vbr);
        settings.outputFolder = u("/o/");
        const EncoderCommand command =
            BuildEncoderCommand(settings, u("/m/a.ape"), kAt953, nativePlatform());
        EXPECT_EQ(command.commandLine,
                  u("/opt/vordana/data/coder -i \"/m/a.ape\" -y -vn") + u(c.tail));
        EXPECT_TRUE(command.writesFinalFile);
    }
    // Names kept: the whole name without its extension, no time stamp.
    EncoderSettings flac;
    flac.applyPreset(9);
    flac.keepNames = true;
    flac.outputFolder = u("/o/");
    EXPECT_EQ(
        BuildEncoderCommand(flac, u("/m/my song.live.ape"), kAt953, nativePlatform()).outputPath,
        u("/o/my song.live.flac"));
    flac.level = u("9 -y");
    EXPECT_EQ(BuildEncoderCommand(flac, u("/m/a.ape"), kAt953, nativePlatform()).problem,
              u("the compression level \"9 -y\" is not a number"));
}
