#include "Conversion.h"

#include "ConversionOutcome.h"
#include "InputCut.h"
#include "MediaProbe.h"
#include "OutputCheck.h"
#include "OutputPublishing.h"
#include "SignalForwarder.h"

#include <cstring>

namespace {

// A video output is read back once with ffprobe: the container, a video stream, the size.
std::optional<std::string> verifyVideo(const ArgumentTranslation& translation,
                                       SignalForwarder& signals) {
    const std::optional<std::string> ffprobe = chooseFfprobe();
    if (!ffprobe) {
        return std::string("cannot check the output: ffprobe was not found");
    }
    const ProbeResult probe = probeMedia(*ffprobe, translation.temporaryPath, signals);
    if (!probe.facts) {
        return "cannot read the output back: " + probe.reason;
    }
    return videoOutputProblem(*probe.facts, *translation.video);
}

// The reason the finished temporary file does not count, or nullopt when it does.
std::optional<std::string> verify(const ArgumentTranslation& translation, const FfmpegRun& run,
                                  SignalForwarder& signals) {
    // ffmpeg exits 0 when an input ends early at a frame boundary (a cut-off .ape, say), even
    // with -xerror: the decoder never sees a broken frame. The banner still announces the
    // whole length, so compare that with where the output got to.
    if (run.inputSeconds) {
        if (const std::optional<double> expected =
                expectedSeconds(*run.inputSeconds, translation.cut)) {
            if (std::optional<std::string> reason =
                    lengthShortfall(*expected, run.reachedSeconds.value_or(0.0))) {
                return reason;
            }
        }
    }
    const OutputCheckResult check =
        checkOutputFile(translation.temporaryPath, translation.muxer, translation.expected);
    if (!check.good()) {
        return check.reason;
    }
    if (translation.video) {
        return verifyVideo(translation, signals);
    }
    return std::nullopt;
}

int fail(FfmpegSession& session, const ArgumentTranslation& translation, int exitCode,
         const std::string& reason) {
    discardOutputs(translation.temporaryPath, translation.outputPath);
    session.note("conversion failed: " + reason);
    return exitCode;
}

int stopped(FfmpegSession& session, const ArgumentTranslation& translation, int signal) {
    const ConversionOutcome outcome =
        decideOutcome(0, signal, OutputFileState::Missing, std::nullopt, session.programName());
    return fail(session, translation, outcome.exitCode, outcome.reason);
}

// Has ffprobe read the input and lets the translation fit itself to it. Returns an exit status
// when the conversion cannot go on.
std::optional<int> adaptToInput(FfmpegSession& session, ArgumentTranslation& translation,
                                SignalForwarder& signals) {
    const std::optional<std::string> ffprobe = chooseFfprobe();
    if (!ffprobe) {
        return fail(session, translation, kExitCannotStart,
                    "cannot start ffprobe: it was not found (is the ffmpeg package installed?)");
    }
    const ProbeResult probe = probeMedia(*ffprobe, translation.inputPath, signals);
    if (signals.stopSignal() != 0) {
        return stopped(session, translation, signals.stopSignal());
    }
    if (!probe.facts) {
        return fail(session, translation, kExitFailed, probe.reason);
    }
    const std::size_t notesBefore = translation.notes.size();
    translation.adaptToInput(translation, *probe.facts);
    for (std::size_t i = notesBefore; i < translation.notes.size(); ++i) {
        session.note(translation.notes[i]);
    }
    if (translation.problem) {
        return fail(session, translation, kExitFailed, *translation.problem);
    }
    return std::nullopt;
}

}  // namespace

int runConversion(FfmpegSession& session, const ArgumentTranslation& given,
                  const std::optional<std::string>& ffmpeg, const std::string& ffmpegName,
                  const OutputFinisher& finish) {
    // From here until the file is published a stop signal is caught (and passed on to ffmpeg),
    // so coder always gets to clean up.
    SignalForwarder signals;
    ArgumentTranslation translation = given;

    if (translation.problem) {
        return fail(session, translation, kExitFailed, *translation.problem);
    }
    if (!ffmpeg) {
        return fail(session, translation, kExitCannotStart,
                    "cannot start ffmpeg: \"" + ffmpegName +
                        "\" was not found (is the ffmpeg package installed?)");
    }
    if (translation.adaptToInput) {
        if (const std::optional<int> exitCode = adaptToInput(session, translation, signals)) {
            return *exitCode;
        }
    }
    const FileStepResult cleared = removeStaleTemporary(translation.temporaryPath);
    if (!cleared.ok) {
        return fail(session, translation, kExitFailed, cleared.reason);
    }
    if (signals.stopSignal() != 0) {
        return stopped(session, translation, signals.stopSignal());
    }

    session.setInputCut(translation.cut);
    const FfmpegRun run = session.run(*ffmpeg, translation.ffmpegArguments, signals);
    if (run.startError != 0) {
        return fail(session, translation, kExitCannotStart,
                    "cannot start ffmpeg (" + *ffmpeg + "): " + std::strerror(run.startError));
    }

    const ConversionOutcome outcome = decideOutcome(run.waitStatus, signals.stopSignal(),
                                                    outputFileState(translation.temporaryPath),
                                                    run.firstError, session.programName());
    if (outcome.exitCode != 0) {
        return fail(session, translation, outcome.exitCode, outcome.reason);
    }
    if (finish) {
        if (const std::optional<std::string> reason = finish(translation.temporaryPath)) {
            return fail(session, translation, kExitFailed, *reason);
        }
    }
    const std::optional<std::string> reason = verify(translation, run, signals);
    // A stop that came while the output was checked still counts (it also ends ffprobe, whose
    // failure is then no reason of its own); once the file is published the conversion is
    // complete and a late stop changes nothing.
    if (signals.stopSignal() != 0) {
        return stopped(session, translation, signals.stopSignal());
    }
    if (reason) {
        return fail(session, translation, kExitFailed, *reason);
    }
    const PublishResult published =
        publishOutput(translation.temporaryPath, translation.outputPath);
    if (!published.published()) {
        return fail(session, translation, kExitFailed, published.reason);
    }
    session.complete();
    return 0;
}
