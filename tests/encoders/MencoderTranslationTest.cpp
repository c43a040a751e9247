#include "common/MencoderTranslation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// The program's command for MPEG and AVI files.
Args mpegCommand(const std::string& output, const std::string& bitRate = "64",
                 const std::string& frameRate = "29") {
    return {"/in/clip.mkv",
            "-oac",
            "lavc",
            "-lavcopts",
            "acodec=mp2:abitrate=" + bitRate,
            "-ovc",
            "lavc",
            "-lavcopts",
            "vcodec=mpeg1video:vbitrate=600:vpass=1",
            "-ofps",
            frameRate,
            "-of",
            "lavf",
            "-lavfopts",
            "format=yuv4mpeg",
            "-o",
            output};
}

// The program's command for the intermediate and for high-definition MP4 files.
Args mp4Command(const std::string& output, const std::string& preset = "320") {
    return {"/in/clip.mkv",
            "-oac",
            "mp3lame",
            "-lameopts",
            "preset=" + preset,
            "-ovc",
            "lavc",
            "-lavcopts",
            "vcodec=mpeg4:vbitrate=1200",
            "-of",
            "avi",
            "-o",
            output};
}

bool contains(const Args& all, const Args& part) {
    return std::search(all.begin(), all.end(), part.begin(), part.end()) != all.end();
}

MediaFacts inputWith(bool video, std::optional<long long> sampleRate) {
    MediaFacts facts;
    facts.hasVideo = video;
    facts.videoSize = FrameSize{352, 288};
    facts.hasAudio = sampleRate.has_value();
    facts.sampleRate = sampleRate;
    return facts;
}

TEST(MencoderTranslation, ContainerFollowsTheOutputNameAndTheNamedCodecsAreKept) {
    const ArgumentTranslation mpg = translateMencoderArguments(mpegCommand("/out/my clip-1.mpg"));
    ASSERT_FALSE(mpg.problem.has_value()) << *mpg.problem;
    EXPECT_TRUE(contains(
        mpg.ffmpegArguments,
        {"-i", "/in/clip.mkv", "-map", "0:V:0", "-map", "0:a:0?", "-vcodec", "mpeg1video", "-b:v",
         "600k", "-r", "30000/1001", "-acodec", "mp2", "-f", "mpeg", "/out/.my clip-1.mpg.part"}))
        << testing::PrintToString(mpg.ffmpegArguments);
    EXPECT_EQ(mpg.ffmpegArguments.back(), "/out/.my clip-1.mpg.part");
    EXPECT_EQ(mpg.notes, Args{"MPEG-1 video does not take 29 frames/s; using 29.97"});
    EXPECT_EQ(mpg.outputPath, "/out/my clip-1.mpg");
    ASSERT_TRUE(mpg.video.has_value());
    EXPECT_EQ(mpg.video->muxer, "mpeg");
    EXPECT_TRUE(mpg.adaptToInput);

    const ArgumentTranslation avi =
        translateMencoderArguments(mpegCommand("/out/a-1.AVI", "64", "24"));
    EXPECT_TRUE(contains(avi.ffmpegArguments, {"-r", "24", "-acodec", "mp2", "-f", "avi"}));
    EXPECT_TRUE(avi.notes.empty());

    for (const std::string output : {"/out/a-1.mp4", "/tmp/private/tmp.mp4"}) {
        SCOPED_TRACE(output);
        const ArgumentTranslation mp4 = translateMencoderArguments(mp4Command(output));
        EXPECT_TRUE(contains(mp4.ffmpegArguments, {"-vcodec", "mpeg4", "-b:v", "1200k", "-acodec",
                                                   "libmp3lame", "-b:a", "320k", "-f", "mp4"}))
            << testing::PrintToString(mp4.ffmpegArguments);
        EXPECT_TRUE(mp4.notes.empty());
    }

    // Only a name without a known extension leaves the container to -of.
    const ArgumentTranslation named = translateMencoderArguments(mp4Command("/out/a-1.bin"));
    EXPECT_TRUE(contains(named.ffmpegArguments, {"-f", "avi", "/out/.a-1.bin.part"}));
    const ArgumentTranslation lavf = translateMencoderArguments(mpegCommand("/out/a-1"));
    EXPECT_TRUE(contains(lavf.ffmpegArguments, {"-f", "yuv4mpeg", "/out/.a-1.part"}));
}

TEST(MencoderTranslation, Mp2GetsARateAndABitRateItsEncoderTakes) {
    struct Case {
        std::string bitRate;
        std::optional<long long> inputRate;
        Args options;  // what the input adds before the output
        Args notes;
    };
    const std::vector<Case> cases = {
        {"64", 44100, {"-b:a", "64k"}, {}},
        {"12.2",
         48000,
         {"-b:a", "32k"},
         {"the MP2 encoder does not take 12.2 kbit/s at 48000 Hz; using 32 kbit/s"}},
        {"12.2",
         22050,
         {"-b:a", "16k"},
         {"the MP2 encoder does not take 12.2 kbit/s at 22050 Hz; "
          "using 16 kbit/s"}},
        {"320",
         8000,
         {"-ar", "16000", "-b:a", "160k"},
         {"the MP2 encoder does not take 8000 Hz; using 16000 Hz",
          "the MP2 encoder does not take 320 kbit/s at 16000 Hz; using 160 kbit/s"}},
        {"64", std::nullopt, {}, {}},  // no sound to encode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitRate + " kbit/s from " + std::to_string(c.inputRate.value_or(0)));
        ArgumentTranslation t =
            translateMencoderArguments(mpegCommand("/o/a.mpg", c.bitRate, "25"));
        Args expected = t.ffmpegArguments;
        expected.insert(expected.end() - 1, c.options.begin(), c.options.end());
        t.adaptToInput(t, inputWith(true, c.inputRate));
        EXPECT_EQ(t.ffmpegArguments, expected);
        EXPECT_EQ(t.notes, c.notes);
        EXPECT_FALSE(t.problem.has_value());
    }

    ArgumentTranslation noVideo = translateMencoderArguments(mpegCommand("/o/a.mpg"));
    noVideo.adaptToInput(noVideo, inputWith(false, 44100));
    EXPECT_EQ(noVideo.problem, "the input has no video stream");
}

TEST(MencoderTranslation, CommandLinesItCannotReadAreRefusedWithAReason) {
    Args withoutOutput = mp4Command("/o/a.mp4");
    withoutOutput.resize(withoutOutput.size() - 2);
    Args dangling = mp4Command("/o/a.mp4");
    dangling.pop_back();
    Args unknownOption = mp4Command("/o/a.mp4");
    unknownOption.insert(unknownOption.begin() + 1, {"-vf", "scale=320:240"});
    Args twoInputs = mp4Command("/o/a.mp4");
    twoInputs.insert(twoInputs.begin() + 1, "/in/other.avi");
    Args faac = mp4Command("/o/a.mp4");
    faac[2] = "faac";
    Args noVideoChoice = mp4Command("/o/a.mp4");
    noVideoChoice.erase(noVideoChoice.begin() + 5, noVideoChoice.begin() + 7);

    const std::vector<std::pair<Args, std::string>> cases = {
        {withoutOutput, "no output file given (-o)"},
        {dangling, "the option -o needs a value"},
        {unknownOption, "unknown option -vf"},
        {twoInputs, "more than one input: /in/clip.mkv and /in/other.avi"},
        {faac, "unknown audio codec choice -oac faac"},
        {noVideoChoice, "no video codec chosen (-ovc)"},
        {mp4Command("/o/a.mp4", "loud"), "unknown LAME preset loud"},
        {{"/in/clip.mkv", "-oac", "copy", "-ovc", "copy", "-o", "/o/a.bin"},
         "cannot tell the output format from the name /o/a.bin"},
    };
    for (const auto& [arguments, reason] : cases) {
        SCOPED_TRACE(reason);
        const ArgumentTranslation t = translateMencoderArguments(arguments);
        EXPECT_EQ(t.problem, reason);
    }
}

}  // namespace
