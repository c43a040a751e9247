// coder: the program's MP3 (and general) encoder. It takes an ffmpeg-style command line,
//   coder -i INPUT -y -vn -ar 44100 -ab 128k -ac 2 OUTPUT.mp3
// runs Debian's ffmpeg on it and prints what the program's console runner reads: the input's
// "Duration: " line, "time=" progress in seconds, ffmpeg's warnings and errors, and on failure a
// last line "coder: conversion failed: <reason>". ffmpeg writes a temporary file beside the
// output; coder writes an MP3's tag there itself (the source's tags and front cover, then any
// "-metadata KEY=VALUE" output options), and only a complete, checked file is moved onto the
// output name. Exit status 0 only then.

#include "common/ArgumentTranslation.h"
#include "common/ConsoleOutput.h"
#include "common/Conversion.h"
#include "common/ConversionOutcome.h"
#include "common/ExecutableLookup.h"
#include "common/FfmpegSession.h"
#include "common/TagCopy.h"

#include <unistd.h>
#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // A reader that goes away must not kill coder before ffmpeg has been stopped and reaped.
    std::signal(SIGPIPE, SIG_IGN);
    ensureStandardDescriptors();

    const auto print = [](std::string_view line) { writeLine(STDOUT_FILENO, line); };
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (arguments.empty()) {
        print("coder: usage: coder [ffmpeg options] -i INPUT [output options] OUTPUT");
        return kExitUsage;
    }

    ArgumentTranslation translation = translateArguments(arguments);
    const TagPlan tags = planTagCopy(translation);
    FfmpegSession session(print);
    for (const std::string& note : translation.notes) {
        session.note(note);
    }

    const FfmpegChoice ffmpeg = chooseFfmpeg();
    return runConversion(session, translation, ffmpeg.path, ffmpeg.requested,
                         [&tags](const std::string& mp3) { return writeTags(tags, mp3); });
}
