#include "ConvertOptions.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

ParsedCommandLine parse(const QStringList& arguments) {
    return parseCommandLine(QStringList{"vordana"} + arguments);
}

}  // namespace

TEST(ConvertArgumentsTest, ConventionalFormsAllReachTheSameOptions) {
    const QList<QStringList> forms = {
        {"--convert", "--output", "/o", "--jobs", "3", "--bitrate", "128", "a.ape"},
        {"--convert", "--output=/o", "--jobs=3", "--bitrate=128", "a.ape"},
        {"a.ape", "-o", "/o", "-j", "3", "--convert", "--bitrate", "128"},
    };
    for (const QStringList& form : forms) {
        const ParsedCommandLine parsed = parse(form);
        ASSERT_EQ(parsed.outcome, ParsedCommandLine::Outcome::Convert)
            << parsed.error.toStdString();
        EXPECT_EQ(parsed.options.outputFolder, "/o");
        EXPECT_EQ(parsed.options.jobs, 3);
        EXPECT_EQ(parsed.options.bitRate, QString("128"));
        EXPECT_FALSE(parsed.options.sampleRate) << "what is not given is left to the presets";
        EXPECT_EQ(parsed.options.paths, QStringList{"a.ape"});
        EXPECT_EQ(parsed.options.format, 8);
    }
    // "--" lets a path begin with a dash.
    const ParsedCommandLine dashes =
        parse({"--convert", "-q", "--json", "--", "-odd.ape", "--help"});
    ASSERT_EQ(dashes.outcome, ParsedCommandLine::Outcome::Convert) << dashes.error.toStdString();
    EXPECT_EQ(dashes.options.paths, (QStringList{"-odd.ape", "--help"}));
    EXPECT_TRUE(dashes.options.quiet);
    EXPECT_TRUE(dashes.options.json);
}

TEST(ConvertArgumentsTest, HelpAndVersionWinOverEverythingElse) {
    for (const QStringList& line : QList<QStringList>{{"--help"},
                                                      {"--convert", "-h"},
                                                      {"--convert", "--jobs", "0", "--help"},
                                                      {"--no-such-option", "-h"}}) {
        EXPECT_EQ(parse(line).outcome, ParsedCommandLine::Outcome::Help)
            << line.join(' ').toStdString();
    }
    EXPECT_EQ(parse({"--version"}).outcome, ParsedCommandLine::Outcome::Version);
    EXPECT_EQ(parse({"--convert", "--version", "a.ape"}).outcome,
              ParsedCommandLine::Outcome::Version);
}

TEST(ConvertArgumentsTest, VideoFormatsAndTheirValues) {
    const ParsedCommandLine parsed =
        parse({"--convert", "--format", "phone-mp4", "--size", "original", "--video-bitrate", "256",
               "--fps", "25", "v.avi"});
    ASSERT_EQ(parsed.outcome, ParsedCommandLine::Outcome::Convert) << parsed.error.toStdString();
    EXPECT_EQ(parsed.options.format, 6);
    EXPECT_EQ(parsed.options.frameSize, VideoSize::source());
    EXPECT_EQ(parsed.options.videoBitRate, QString("256"));
    EXPECT_EQ(parsed.options.frameRate, QString("25"));
    EXPECT_EQ(formatFromName("3"), 3);
    EXPECT_EQ(formatFromName("RMVB"), 0);
    EXPECT_EQ(formatFromName("13"), std::nullopt);
}

TEST(ConvertArgumentsTest, AudioFormatsTheirOwnValuesAndNamingOptions) {
    const ParsedCommandLine flac =
        parse({"--convert", "--format", "FLAC", "--level", "8", "--rate", "source", "--channels",
               "source", "--bitrate", "128", "--keep-names", "--tree", "--skip-existing", "a"});
    ASSERT_EQ(flac.outcome, ParsedCommandLine::Outcome::Convert) << flac.error.toStdString();
    EXPECT_EQ(flac.options.format, 9);
    EXPECT_EQ(flac.options.level, QString("8"));
    EXPECT_EQ(flac.options.sampleRate, QString("source"));
    EXPECT_EQ(flac.options.channelIndex, 2);
    EXPECT_TRUE(flac.options.keepNames && flac.options.tree && flac.options.skipExisting);
    // A bit rate means nothing to a lossless format: said, and left out.
    EXPECT_EQ(flac.warnings,
              QStringList{"--bitrate does not apply to the flac format; it is left out"});

    const ParsedCommandLine mp3 = parse({"--convert", "--vbr", "2", "a"});
    EXPECT_EQ(mp3.options.vbr, QString("2"));
    EXPECT_TRUE(mp3.warnings.isEmpty());
    EXPECT_EQ(parse({"--convert", "--format", "ogg", "--quality", "7.5", "a"}).options.quality,
              QString("7.5"));
    EXPECT_EQ(formatFromName("opus"), 10);
    EXPECT_EQ(formatFromName("12"), 12);
}

TEST(ConvertArgumentsTest, BadUsageIsOneLineNamingTheProblem) {
    const struct {
        QStringList arguments;
        const char* mentions;
    } bad[] = {
        {{"--convert"}, "no file"},
        {{"--convert", "--jobs", "0", "a.ape"}, "--jobs"},
        {{"--convert", "--jobs", "abc", "a.ape"}, "\"abc\""},
        {{"--convert", "--channels", "3", "a.ape"}, "--channels"},
        {{"--convert", "--rate", "44100 -t 1", "a.ape"}, "--rate"},
        {{"--convert", "--bitrate", "128k -y /x.mp3 -ab 128", "a.ape"}, "--bitrate"},
        {{"--convert", "--bitrate", "", "a.ape"}, "--bitrate"},
        {{"--convert", "--fps", "-5", "a.ape"}, "--fps"},
        {{"--convert", "--format", "13", "a.ape"}, "--format"},
        {{"--convert", "--format", "flac", "--level", "9", "a.ape"}, "--level"},
        {{"--convert", "--vbr", "2", "--format", "ogg", "a.ape"}, "does not apply to the ogg"},
        {{"--convert", "--vbr", "2.5", "a.ape"}, "--vbr"},
        {{"--convert", "--skip-existing", "a.ape"}, "--keep-names"},
        {{"--convert", "--format", "avi", "--rate", "source", "a.avi"}, "--rate"},
        {{"--convert", "--size", "640", "a.ape"}, "--size"},
        {{"--convert", "--verbose", "a.ape"}, "verbose"},
        {{"--convert", "a.ape", "--rate"}, "rate"},
        {{"--convert", "--output", "", "a.ape"}, "--output"},
    };
    for (const auto& c : bad) {
        const ParsedCommandLine parsed = parse(c.arguments);
        EXPECT_EQ(parsed.outcome, ParsedCommandLine::Outcome::BadUsage)
            << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.mentions)))
            << parsed.error.toStdString();
        EXPECT_FALSE(parsed.error.contains('\n'));
    }
}
