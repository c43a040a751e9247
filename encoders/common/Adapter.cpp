#include "Adapter.h"

#include "ConsoleOutput.h"
#include "Conversion.h"
#include "ConversionOutcome.h"
#include "ExecutableLookup.h"
#include "FfmpegSession.h"

#include <unistd.h>
#include <csignal>

int runAdapter(const AdapterSetup& setup, int argc, char** argv) {
    // A reader that goes away must not kill the adapter before ffmpeg has been stopped and
    // reaped.
    std::signal(SIGPIPE, SIG_IGN);
    ensureStandardDescriptors();

    const auto print = [](std::string_view line) { writeLine(STDOUT_FILENO, line); };
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (arguments.empty()) {
        print(setup.name + ": usage: " + setup.usage);
        return kExitUsage;
    }

    ArgumentTranslation translation = setup.translate(arguments);
    const OutputFinisher finish = setup.prepareFinish ? setup.prepareFinish(translation) : nullptr;
    FfmpegSession session(print);
    session.setProgramName(setup.name);
    session.setProgressStyle(setup.style);
    for (const std::string& note : translation.notes) {
        session.note(note);
    }

    const FfmpegChoice ffmpeg = chooseFfmpeg();
    return runConversion(session, translation, ffmpeg.path, ffmpeg.requested, finish);
}
