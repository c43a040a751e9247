// main(): picks the front end. `--convert` (and `--help`) run without a display; everything
// else opens the window.
#include "ConvertCommand.h"

#ifdef VORDANA_WITH_WINDOW
#include "WindowFrontEnd.h"
#endif

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--convert") == 0) {
        return convertFrontEnd(argc, argv);
    }
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(convertUsage().toUtf8().constData(), stdout);
        return 0;
    }
#ifdef VORDANA_WITH_WINDOW
    return windowFrontEnd(argc, argv);
#else
    std::fputs("vordana: this build has no window; use --convert\n", stderr);
    return kBadUsage;
#endif
}
