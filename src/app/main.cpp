// main(): picks the front end. `--convert`, `--help` and `--version` run without a display;
// everything else opens the window.
#include "ConvertCommand.h"

#ifdef VORDANA_WITH_WINDOW
#include "WindowFrontEnd.h"
#endif

#include <cstdio>
#include <cstring>

namespace {

// True when `word` is one of the arguments before a "--" (after it, words are file names).
bool hasOption(int argc, char** argv, const char* word) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], word) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (hasOption(argc, argv, "--convert") || hasOption(argc, argv, "--help") ||
        hasOption(argc, argv, "-h") || hasOption(argc, argv, "--version")) {
        return convertFrontEnd(argc, argv);
    }
#ifdef VORDANA_WITH_WINDOW
    return windowFrontEnd(argc, argv);
#else
    std::fputs("vordana: this build has no window; use --convert (see --help)\n", stderr);
    return kBadUsage;
#endif
}
