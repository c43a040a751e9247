#include "common/ArgumentTranslation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// The program's MP3 command line, with the rate and bit rate given.
Args mp3Command(const std::string& rate, const std::string& bitRate = "128k",
                const std::string& output = "/music/out/song.mp3") {
    return {"-i",  "/music/in/song.ape", "-y", "-vn", "-ar", rate, "-ab", bitRate, "-ac", "2",
            output};
}

// What ffmpeg gets for `command`: the fixed options, the command without its output, the
// output format, and the temporary file ".NAME.part" beside the output.
Args withFixedPrefix(const Args& command, const std::string& muxer = "mp3") {
    Args all = ffmpegFixedArguments();
    all.insert(all.end(), command.begin(), command.end() - 1);
    const std::string& output = command.back();
    const std::size_t slash = output.rfind('/');
    const std::string folder = slash == std::string::npos ? "./" : output.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? output : output.substr(slash + 1);
    all.insert(all.end(), {"-f", muxer, folder + "." + name + ".part"});
    return all;
}

TEST(ArgumentTranslation, FixedOptionsKeepFfmpegFromAskingAndMakeItsOutputReadable) {
    const Args& fixed = ffmpegFixedArguments();
    const auto has = [&](const Args& wanted) {
        return std::search(fixed.begin(), fixed.end(), wanted.begin(), wanted.end()) != fixed.end();
    };
    EXPECT_TRUE(has({"-nostdin"}));
    EXPECT_TRUE(has({"-xerror"}));
    EXPECT_TRUE(has({"-loglevel", "level+info"}));
    EXPECT_TRUE(has({"-progress", "pipe:1"}));
    EXPECT_TRUE(has({"-nostats"}));
}

TEST(ArgumentTranslation, AcceptedValuesPassThroughInOrderAfterTheFixedOptions) {
    const Args command = mp3Command("44100", "10.2k");
    const ArgumentTranslation t = translateArguments(command);
    EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(command));
    EXPECT_TRUE(t.notes.empty());
    EXPECT_EQ(t.outputPath, "/music/out/song.mp3");
    EXPECT_EQ(t.temporaryPath, "/music/out/.song.mp3.part");
    EXPECT_FALSE(t.problem.has_value());
}

TEST(ArgumentTranslation, OutputFormatIsNamedUnlessTheCommandNamesIt) {
    // Without -f ffmpeg would look at the ".part" extension and give up.
    const ArgumentTranslation named =
        translateArguments({"-i", "/in/a.ape", "-f", "ipod", "-ab", "96k", "/out/a.bin"});
    Args expected = ffmpegFixedArguments();
    expected.insert(expected.end(),
                    {"-i", "/in/a.ape", "-f", "ipod", "-ab", "96k", "/out/.a.bin.part"});
    EXPECT_EQ(named.ffmpegArguments, expected);
    EXPECT_EQ(named.muxer, "ipod");

    // "-f" before the input is the input's format.
    const ArgumentTranslation raw =
        translateArguments({"-f", "s16le", "-i", "/in/raw.pcm", "/out/a.FLAC"});
    EXPECT_EQ(raw.ffmpegArguments,
              withFixedPrefix({"-f", "s16le", "-i", "/in/raw.pcm", "/out/a.FLAC"}, "flac"));

    const ArgumentTranslation unknown = translateArguments({"-i", "/in/a.ape", "/out/a.xyz"});
    ASSERT_TRUE(unknown.problem.has_value());
    EXPECT_NE(unknown.problem->find("/out/a.xyz"), std::string::npos) << *unknown.problem;
}

TEST(ArgumentTranslation, EveryRateTheEncoderTakesIsKept) {
    for (long long rate : mp3SampleRates()) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(nearestMp3SampleRate(rate), rate);
        const ArgumentTranslation t = translateArguments(mp3Command(std::to_string(rate)));
        EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(mp3Command(std::to_string(rate))));
        EXPECT_TRUE(t.notes.empty());
    }
}

TEST(ArgumentTranslation, OtherRatesGoToTheNearestAcceptedOneAndTiesGoUp) {
    const std::vector<std::pair<long long, long long>> cases = {
        {12050, 12000},  // just above 12000
        {28000, 32000},  // halfway between 24000 and 32000
        {46050, 48000},  // halfway between 44100 and 48000
        {46049, 44100},  // one below halfway
        {9512, 8000},    // one below halfway between 8000 and 11025
        {9513, 11025},   // rounds up past halfway (9512.5)
        {14000, 16000},  // halfway between 12000 and 16000
        {96000, 48000},  // above the highest
        {7999, 8000},    // below the lowest
        {0, 8000},      {99999999999999999, 48000},
    };
    for (const auto& [requested, expected] : cases) {
        SCOPED_TRACE(requested);
        EXPECT_EQ(nearestMp3SampleRate(requested), expected);
    }
}

TEST(ArgumentTranslation, MappedRateIsReplacedAndNoted) {
    const ArgumentTranslation t = translateArguments(mp3Command("12050"));
    EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(mp3Command("12000")));
    ASSERT_EQ(t.notes.size(), 1U);
    EXPECT_EQ(t.notes[0], "the MP3 encoder does not take 12050 Hz; using 12000 Hz");

    const ArgumentTranslation tie = translateArguments(mp3Command("28000"));
    EXPECT_EQ(tie.ffmpegArguments, withFixedPrefix(mp3Command("32000")));
    ASSERT_EQ(tie.notes.size(), 1U);
    EXPECT_EQ(tie.notes[0], "the MP3 encoder does not take 28000 Hz; using 32000 Hz");
}

TEST(ArgumentTranslation, RateTextsThatAreNotPlainNumbersPassThroughUnchanged) {
    for (const std::string text : {"abc", "", "44.1k", "-8000", "+8000", "44100 ", "12050Hz"}) {
        SCOPED_TRACE("rate text '" + text + "'");
        EXPECT_FALSE(parsePlainRate(text).has_value());
        const ArgumentTranslation t = translateArguments(mp3Command(text));
        EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(mp3Command(text)));
        EXPECT_TRUE(t.notes.empty());
    }
    EXPECT_EQ(parsePlainRate("044100"), 44100);
}

TEST(ArgumentTranslation, OnlyMp3OutputsAreMapped) {
    for (const std::string output : {"/out/a.MP3", "/out/a.Mp3", "/out/x.wav.mp3"}) {
        SCOPED_TRACE(output);
        EXPECT_TRUE(hasMp3Extension(output));
        const ArgumentTranslation t = translateArguments(mp3Command("12050", "128k", output));
        EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(mp3Command("12000", "128k", output)));
        EXPECT_EQ(t.notes.size(), 1U);
    }
    EXPECT_FALSE(hasMp3Extension("/out/mp3"));
    const std::vector<std::pair<std::string, std::string>> others = {{"/out/a.wav", "wav"},
                                                                     {"/out/a.mp3.wav", "wav"},
                                                                     {"/out/a.mp4", "mp4"},
                                                                     {"/out/a.rmvb", "rm"}};
    for (const auto& [output, muxer] : others) {
        SCOPED_TRACE(output);
        EXPECT_FALSE(hasMp3Extension(output));
        const ArgumentTranslation t = translateArguments(mp3Command("12050", "128k", output));
        EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(mp3Command("12050", "128k", output), muxer));
        EXPECT_TRUE(t.notes.empty());
    }
}

TEST(ArgumentTranslation, VideoOutputsAreMendedForTheirContainerAndCodecs) {
    // The program's RealMedia command with a chosen size: "-b" is the video's bit rate, AC-3
    // (RealMedia's audio) takes no 22050 Hz, RealVideo 1 no 360 lines.
    const ArgumentTranslation rm = translateArguments(
        {"-i", "/t/tmp.mp4", "-y", "-s", "640x360", "-vcodec", "rv10", "-b", "600k", "-f", "rm",
         "-ar", "22050", "-ab", "64k", "-ac", "1", "/o/a-1.rm"});
    Args expected = ffmpegFixedArguments();
    expected.insert(expected.end(),
                    {"-i",   "/t/tmp.mp4", "-y", "-s",      "640x368", "-vcodec",        "rv10",
                     "-b:v", "600k",       "-f", "rm",      "-ar",     "32000",          "-ab",
                     "64k",  "-ac",        "1",  "-acodec", "ac3",     "/o/.a-1.rm.part"});
    EXPECT_EQ(rm.ffmpegArguments, expected);
    EXPECT_EQ(rm.notes, (Args{"the AC-3 encoder does not take 22050 Hz; using 32000 Hz",
                              "RealVideo 1 takes only sizes in multiples of 16; using 640x368 "
                              "for 640x360"}));
    ASSERT_TRUE(rm.video.has_value());
    EXPECT_EQ(rm.video->muxer, "rm");
    EXPECT_EQ(rm.video->size, (FrameSize{640, 368}));
    EXPECT_FALSE(rm.adaptToInput) << "the size is known without the input";

    // Without -s the input's own size is rounded, once ffprobe has told it.
    const Args rmvb = {"-i", "/t/tmp.mp4", "-y",  "-vcodec", "rv10", "-b", "1200k",
                       "-f", "rm",         "-ab", "128k",    "-ac",  "2",  "/o/a-2.rmvb"};
    ArgumentTranslation odd = translateArguments(rmvb);
    ASSERT_TRUE(odd.adaptToInput);
    const Args before = odd.ffmpegArguments;
    MediaFacts input;
    input.hasVideo = true;
    input.videoSize = FrameSize{480, 270};
    odd.adaptToInput(odd, input);
    Args rounded = before;
    rounded.insert(rounded.end() - 1, {"-s", "480x272"});
    EXPECT_EQ(odd.ffmpegArguments, rounded);
    EXPECT_EQ(odd.notes,
              Args{"RealVideo 1 takes only sizes in multiples of 16; using 480x272 for 480x270"});
    EXPECT_EQ(odd.video->size, (FrameSize{480, 272}));

    ArgumentTranslation even = translateArguments(rmvb);
    input.videoSize = FrameSize{352, 288};
    even.adaptToInput(even, input);
    EXPECT_EQ(even.ffmpegArguments, before);
    EXPECT_TRUE(even.notes.empty());

    // The QuickTime command names no codec at all.
    const ArgumentTranslation mov = translateArguments(
        {"-i", "/t/tmp.mp4", "-y", "-ac", "2", "-ar", "48000", "-ab", "128k", "/o/a-3.mov"});
    expected = ffmpegFixedArguments();
    expected.insert(expected.end(),
                    {"-i", "/t/tmp.mp4", "-y", "-ac", "2", "-ar", "48000", "-ab", "128k", "-vcodec",
                     "mpeg4", "-q:v", "3", "-acodec", "aac", "-f", "mov", "/o/.a-3.mov.part"});
    EXPECT_EQ(mov.ffmpegArguments, expected);
    EXPECT_TRUE(mov.notes.empty());
}

TEST(ArgumentTranslation, AmrNarrowBandBecomesAacOnlyWhereTheAdapterAsksForIt) {
    const Args phone = {"-i",    "/t/tmp.mp4", "-y",     "-s",        "320x240", "-vcodec",
                        "mpeg4", "-acodec",    "amr_nb", "-ac",       "1",       "-ar",
                        "8000",  "-ab",        "12.2k",  "/o/a-4.3gp"};
    const ArgumentTranslation standIn = translateArguments(phone, {.amrStandIn = true});
    Args expected = phone;
    expected[8] = "aac";  // the value of -acodec
    EXPECT_EQ(standIn.ffmpegArguments, withFixedPrefix(expected, "3gp"));
    EXPECT_EQ(standIn.notes,
              Args{"ffmpeg has no AMR-NB encoder; using AAC instead (8000 Hz, 1 channel, 12.2k)"});
    EXPECT_EQ(standIn.video->size, (FrameSize{320, 240}));

    const ArgumentTranslation plain = translateArguments(phone);
    EXPECT_EQ(plain.ffmpegArguments, withFixedPrefix(phone, "3gp"));
    EXPECT_TRUE(plain.notes.empty());
}

TEST(ArgumentTranslation, RealVideoSizesKeepTheShapeAndHalvesRoundUp) {
    const std::vector<std::pair<FrameSize, FrameSize>> cases = {
        {{640, 360}, {640, 368}},  // 360 is halfway between 352 and 368
        {{480, 270}, {480, 272}}, {{320, 180}, {320, 176}}, {{720, 306}, {720, 304}},
        {{100, 75}, {96, 80}},  // width first, then 72 lines for 96 columns, halfway
        {{176, 144}, {176, 144}}, {{4, 3}, {16, 16}},
    };
    for (const auto& [asked, used] : cases) {
        SCOPED_TRACE(formatFrameSize(asked));
        EXPECT_EQ(realVideoSize(asked), used);
    }
    EXPECT_EQ(parseFrameSize("640x360"), (FrameSize{640, 360}));
    for (const char* text : {"vga", "640x", "x360", "640x360x2", "0x240", "-640x360", ""}) {
        EXPECT_FALSE(parseFrameSize(text).has_value()) << text;
    }
}

TEST(ArgumentTranslation, InputRatesAndTheOutputPathAreNeverMapped) {
    // "-ar" before "-i" gives the rate of a raw input and is not the encoder's business.
    const Args rawInput = {"-f",          "s16le", "-ar",   "12050",     "-i",
                           "/in/raw.pcm", "-ar",   "22050", "/out/a.mp3"};
    const ArgumentTranslation t = translateArguments(rawInput);
    EXPECT_EQ(t.ffmpegArguments, withFixedPrefix(rawInput));
    EXPECT_TRUE(t.notes.empty());

    // A dangling "-ar" right before the output must not swallow the output path.
    const Args dangling = {"-i", "/in/a.ape", "-ar", "12050.mp3"};
    const ArgumentTranslation d = translateArguments(dangling);
    EXPECT_EQ(d.ffmpegArguments, withFixedPrefix(dangling));
    EXPECT_EQ(d.outputPath, "12050.mp3");
}

TEST(ArgumentTranslation, PerStreamRateOptionsAreMappedToo) {
    const Args command = {"-i", "/in/a.ape", "-ar:a", "28000", "/out/a.mp3"};
    const ArgumentTranslation t = translateArguments(command);
    EXPECT_EQ(t.ffmpegArguments,
              withFixedPrefix({"-i", "/in/a.ape", "-ar:a", "32000", "/out/a.mp3"}));
    EXPECT_EQ(t.notes.size(), 1U);
}

TEST(ArgumentTranslation, NoArgumentsGiveOnlyTheFixedOptions) {
    const ArgumentTranslation t = translateArguments({});
    EXPECT_EQ(t.ffmpegArguments, ffmpegFixedArguments());
    EXPECT_TRUE(t.outputPath.empty());
}

}  // namespace
