#pragma once

#include "ArgumentTranslation.h"
#include "Conversion.h"
#include "OutputRelay.h"

#include <functional>
#include <string>
#include <vector>

// What sets one adapter program apart from the others: its name, how it reads its command line
// and how it shows progress. Everything else (running ffmpeg, checking and publishing the
// output, stop signals, exit status) they share.
struct AdapterSetup {
    std::string name;   // also the first word of its notes: "coder: ..."
    std::string usage;  // printed when it is given no arguments
    ProgressStyle style = ProgressStyle::Ffmpeg;
    std::function<ArgumentTranslation(const std::vector<std::string>&)> translate;
    // Optional: a last step on the finished temporary file before it is checked (coder writes
    // the tags there); it may still adjust what ffmpeg is told.
    std::function<OutputFinisher(ArgumentTranslation&)> prepareFinish;
};

// The whole of an adapter's main(): returns its exit status (see Conversion.h; kExitUsage
// without arguments).
int runAdapter(const AdapterSetup& setup, int argc, char** argv);
