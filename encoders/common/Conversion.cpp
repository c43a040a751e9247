#include "Conversion.h"

#include "AudioOutput.h"
#include "ConversionOutcome.h"
#include "FlacCheck.h"
#include "InputCut.h"
#include "MediaProbe.h"
#include "OutputCheck.h"
#include "OutputPublishing.h"
#include "SignalForwarder.h"

#include <cstring>

namespace {

// A video output, or an M4A one, is read back once with ffprobe: the container, the
// streams, the size or the codec, rate and channels.
std::optional<std::string> readBack(const ArgumentTranslation& translation,
                                    SignalForwarder& signals) {
    const std::optional<std::string> ffprobe = chooseFfprobe();
    if (!ffprobe) {
        return std::string("cannot check the output: ffprobe was not found");
    }
    const ProbeResult probe = probeMedia(*ffprobe, translation.temporaryPath, signals);
    if (!probe.facts) {
        return "cannot read the output back: " + probe.reason;
    }
    if (translation.video) {
        return videoOutputProblem(*probe.facts, *translation.video);
    }
    return audioOutputProblem(*probe.facts, *translation.audio, translation.expected);
}

// The reason the finished temporary file does not count, or nullopt when it does.
std::optional<std::string> verify(const ArgumentTranslation& translation, const FfmpegRun& run,
                                  const FlacFollowResult& followed, SignalForwarder& signals) {
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
    if (translation.flac) {
        return flacProblem(translation.temporaryPath, *translation.flac, translation.expected,
                           followed);
    }
    if (translation.audio && (translation.muxer == "ogg" || translation.muxer == "opus")) {
        if (const std::optional<MediaFacts> facts = readOggHead(translation.temporaryPath)) {
            return audioOutputProblem(*facts, *translation.audio, translation.expected);
        }
    }
    if (translation.video || translation.audio) {
        return readBack(translation, signals);
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

int cannotStartFfprobe(FfmpegSession& session, const ArgumentTranslation& translation) {
    return fail(session, translation, kExitCannotStart,
                "cannot start ffprobe: it was not found (is the ffmpeg package installed?)");
}

// Lets the translation fit itself to what ffprobe found in the input (`fit` is adaptToInput or
// expectFromInput). Returns an exit status when the conversion cannot go on.
std::optional<int> fitToInput(
    FfmpegSession& session, ArgumentTranslation& translation, MediaProbeRun& probe,
    SignalForwarder& signals,
    const std::function<void(ArgumentTranslation&, const MediaFacts&)>& fit) {
    const ProbeResult found = probe.finish(signals);
    if (signals.stopSignal() != 0) {
        return stopped(session, translation, signals.stopSignal());
    }
    if (!found.facts) {
        return fail(session, translation, kExitFailed, found.reason);
    }
    const std::size_t notesBefore = translation.notes.size();
    fit(translation, *found.facts);
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
    const std::optional<std::string> ffprobe =
        translation.adaptToInput || translation.expectFromInput ? chooseFfprobe() : std::nullopt;
    if (translation.adaptToInput) {
        if (!ffprobe) {
            return cannotStartFfprobe(session, translation);
        }
        MediaProbeRun probe;
        probe.start(*ffprobe, translation.inputPath);
        if (const std::optional<int> exitCode =
                fitToInput(session, translation, probe, signals, translation.adaptToInput)) {
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

    // What only the checks need from the input is read while ffmpeg runs, and a FLAC output is
    // decoded while it is written: both on the core ffmpeg leaves free, started once ffmpeg is.
    std::vector<std::string> arguments = translation.ffmpegArguments;
    if (translation.flac) {
        addFlacOutputOptions(arguments);
    }
    if (translation.expectFromInput && !ffprobe) {
        return cannotStartFfprobe(session, translation);
    }
    MediaProbeRun sourceProbe;
    FlacFollower follower;
    int followerError = 0;
    const auto startBeside = [&] {
        if (translation.expectFromInput) {
            sourceProbe.start(*ffprobe, translation.inputPath);
        }
        if (translation.flac) {
            followerError = follower.start(*ffmpeg, translation.temporaryPath);
        }
    };

    session.setInputCut(translation.cut);
    const FfmpegRun run = session.run(*ffmpeg, arguments, signals, startBeside);
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
    const FlacFollowResult followed = translation.flac ? follower.finish() : FlacFollowResult{};
    if (followerError == 0) {
        followerError = followed.startError;
    }
    if (followerError != 0) {
        return fail(session, translation, kExitCannotStart,
                    "cannot start ffmpeg (" + *ffmpeg + "): " + std::strerror(followerError));
    }
    if (translation.expectFromInput) {
        if (const std::optional<int> exitCode = fitToInput(session, translation, sourceProbe,
                                                           signals, translation.expectFromInput)) {
            return *exitCode;
        }
    }
    if (finish) {
        if (const std::optional<std::string> reason = finish(translation.temporaryPath)) {
            return fail(session, translation, kExitFailed, *reason);
        }
    }
    const std::optional<std::string> reason = verify(translation, run, followed, signals);
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
