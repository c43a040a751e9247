#include "common/ConversionOutcome.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <csignal>
#include <string>

namespace {

int exitedWith(int code) {
    return code << 8;
}  // a wait status as waitpid() builds it
int killedBy(int signal) {
    return signal;
}

TEST(ConversionOutcome, SuccessNeedsStatusZeroAndAWrittenFile) {
    ASSERT_TRUE(WIFEXITED(exitedWith(0)));
    const ConversionOutcome ok = decideOutcome(exitedWith(0), 0, OutputFileState::Written, {});
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.reason, "");

    const ConversionOutcome missing = decideOutcome(exitedWith(0), 0, OutputFileState::Missing, {});
    EXPECT_EQ(missing.exitCode, kExitFailed);
    EXPECT_EQ(missing.reason, "no output file was written");

    const ConversionOutcome empty = decideOutcome(exitedWith(0), 0, OutputFileState::Empty, {});
    EXPECT_EQ(empty.exitCode, kExitFailed);
    EXPECT_EQ(empty.reason, "the output file is empty");
}

TEST(ConversionOutcome, FfmpegFailureGivesItsFirstErrorOrItsStatus) {
    const ConversionOutcome withText = decideOutcome(exitedWith(1), 0, OutputFileState::Written,
                                                     std::string("Error decoding frame"));
    EXPECT_EQ(withText.exitCode, kExitFailed);
    EXPECT_EQ(withText.reason, "Error decoding frame");

    const ConversionOutcome silent = decideOutcome(exitedWith(69), 0, OutputFileState::Missing, {});
    EXPECT_EQ(silent.exitCode, kExitFailed);
    EXPECT_EQ(silent.reason, "ffmpeg exited with status 69");
}

TEST(ConversionOutcome, ErrorTextAloneDoesNotFailAFinishedConversion) {
    const ConversionOutcome ok = decideOutcome(exitedWith(0), 0, OutputFileState::Written,
                                               std::string("something ffmpeg recovered from"));
    EXPECT_EQ(ok.exitCode, 0);
}

TEST(ConversionOutcome, FfmpegKilledBySignal) {
    const ConversionOutcome killed =
        decideOutcome(killedBy(SIGSEGV), 0, OutputFileState::Written, std::string("x"));
    EXPECT_EQ(killed.exitCode, kExitFailed);
    EXPECT_EQ(killed.reason.rfind("ffmpeg was ended by signal 11", 0), 0U) << killed.reason;
}

TEST(ConversionOutcome, StopSignalGivesShellStyleStatus) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal);
        const ConversionOutcome stopped =
            decideOutcome(exitedWith(255), signal, OutputFileState::Written, {});
        EXPECT_EQ(stopped.exitCode, 128 + signal);
        EXPECT_EQ(stopped.reason.rfind("coder was stopped by signal " + std::to_string(signal), 0),
                  0U)
            << stopped.reason;
    }
    // Even when ffmpeg managed to finish the file in the meantime.
    EXPECT_EQ(decideOutcome(exitedWith(0), SIGTERM, OutputFileState::Written, {}).exitCode,
              128 + SIGTERM);
}

TEST(ConversionOutcome, OutputFileStateOnDisk) {
    TempFolder folder;
    EXPECT_EQ(outputFileState(folder.file("none.mp3")), OutputFileState::Missing);
    EXPECT_EQ(outputFileState(folder.write("empty.mp3", "")), OutputFileState::Empty);
    EXPECT_EQ(outputFileState(folder.write("full.mp3", "ID3")), OutputFileState::Written);
    EXPECT_EQ(outputFileState(folder.path()), OutputFileState::Missing);  // a folder
    EXPECT_EQ(outputFileState(""), OutputFileState::Missing);
}

}  // namespace
