// coder: the program's MP3 (and general) encoder. It takes an ffmpeg-style command line,
//   coder -i INPUT -y -vn -ar 44100 -ab 128k -ac 2 OUTPUT.mp3
// runs Debian's ffmpeg on it and prints what the program's console runner reads: the input's
// "Duration: " line, "time=" progress in seconds, ffmpeg's warnings and errors, and on failure a
// last line "coder: conversion failed: <reason>". ffmpeg writes a temporary file beside the
// output; coder writes an MP3's tag there itself (the source's tags and front cover, then any
// "-metadata KEY=VALUE" output options), and only a complete, checked file is moved onto the
// output name. Exit status 0 only then. It also writes the second stage of the two-stage video
// formats (RealMedia, QuickTime), mended as ArgumentTranslation.h describes.

#include "common/Adapter.h"
#include "common/TagCopy.h"

int main(int argc, char** argv) {
    return runAdapter(
        {"coder", "coder [ffmpeg options] -i INPUT [output options] OUTPUT", ProgressStyle::Ffmpeg,
         [](const std::vector<std::string>& arguments) { return translateArguments(arguments); },
         [](ArgumentTranslation& translation) -> OutputFinisher {
             const TagPlan tags = planTagCopy(translation);
             return [tags](const std::string& mp3) { return writeTags(tags, mp3); };
         }},
        argc, argv);
}
