#include "ConvertCommand.h"

#include "ConvertProgress.h"
#include "ConvertReport.h"
#include "StopSignals.h"
#include "conversion/ConversionRun.h"
#include "conversion/OutputFormat.h"
#include "filelist/InputGathering.h"
#include "filelist/NativeNames.h"
#include "platform/ConsolePrompts.h"
#include "platform/OpenFileLimit.h"
#include "platform/UsableCores.h"
#include "session/Session.h"
#include "text/PrintableText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <unistd.h>
#include <csignal>

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// A test can make the watchdog short; everyone else gets the minute.
std::chrono::milliseconds stallTimeout() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VORDANA_STALL_TIMEOUT_MS", &ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : std::chrono::minutes(1);
}

}  // namespace

int runConvert(const ConvertOptions& options, FILE* out, FILE* err) {
    ConsolePrompts prompts(err);
    Prompts::install(&prompts);
    // A reader that goes away (`| head -1`) must not end the batch: the files still convert and
    // the exit status still tells.
    std::signal(SIGPIPE, SIG_IGN);

    Session session;
    const OutputFormat& format = *outputFormat(options.format);
    EncoderSettings& settings = session.settings();
    settings.applyPreset(options.format);
    settings.bitRate = options.bitRate.value_or(settings.bitRate);
    settings.sampleRate = options.sampleRate.value_or(settings.sampleRate);
    settings.channelIndex = options.channelIndex.value_or(settings.channelIndex);
    settings.frameSize = options.frameSize.value_or(settings.frameSize);
    settings.videoBitRate = options.videoBitRate.value_or(settings.videoBitRate);
    settings.frameRate = options.frameRate.value_or(settings.frameRate);
    settings.level = options.level.value_or(settings.level);
    settings.quality = options.quality.value_or(settings.quality);
    settings.vbr = options.vbr.value_or(settings.vbr);
    settings.keepNames = options.keepNames;
    if (!options.outputFolder.isEmpty()) {
        settings.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    }

    FileQueue& queue = session.queue();
    GatherOptions gather;
    // Album images split into tracks for every audio format; video formats take files whole.
    gather.splitImages = options.splitImages && !format.video;
    gather.cueEncoding = options.cueEncoding;
    gather.extensions = format.searchedExtensions();
    gather.mirrorFolders = options.tree;
    QList<FileResult> unreadable;  // inputs that give nothing to convert
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        const QString absolute = QDir::cleanPath(info.absoluteFilePath());
        const Gathered gathered =
            info.isDir() ? gatherFolder(absolute, gather) : gatherFile(absolute, gather);
        queue.append(gathered.items);
        for (const auto& [input, reason] : gathered.problems) {
            const QString shown = NativeNames::userPath(input);
            const QString why = NativeNames::userPath(reason);
            unreadable << FileResult{shown, QString(), FileStatus::Failed, why, 0.0};
            print(err, QStringLiteral("failed: %1: %2\n").arg(printable(shown), printable(why)));
        }
        for (const QString& warning : gathered.warnings) {
            print(err, QStringLiteral("vordana: warning: %1\n").arg(NativeNames::shown(warning)));
        }
    }
    const QStringList inputs = queue.paths();

    ConversionRun& run = session.run();
    run.setStallTimeout(stallTimeout());
    run.setSkipExisting(options.skipExisting);

    const ConvertProgress::Mode mode = options.quiet ? ConvertProgress::Mode::Quiet
                                       : ::isatty(::fileno(err)) != 0
                                           ? ConvertProgress::Mode::Terminal
                                           : ConvertProgress::Mode::Plain;
    ConvertProgress progress(run, queue, mode, err);
    StopSignals stops;
    if (stops.notifier()) {
        QObject::connect(stops.notifier(), &QSocketNotifier::activated, [&] {
            stops.take();
            run.cancel();
        });
    }
    QObject::connect(&run, &ConversionRun::runFinished, [] { QCoreApplication::exit(0); });
    // Last before the run: the lanes fit what is left of the limit of open files.
    const int jobs = options.jobs > 0 ? options.jobs : usableCores();
    run.setLaneCount(jobs);
    if (run.laneCount() < jobs && !inputs.isEmpty()) {
        const int lanes = run.laneCount();
        print(err, QStringLiteral("vordana: %1 %2 at once, not %3: the limit of open files "
                                  "(ulimit -n) is %4\n")
                       .arg(lanes)
                       .arg(lanes == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                       .arg(jobs)
                       .arg(OpenFileLimit::softLimit()));
    }
    run.RunQueue();
    if (run.isRunning()) {
        QCoreApplication::exec();
    }
    progress.finish();

    QList<FileResult> results = unreadable + run.results();
    // Whatever is still queued was never started: the encoder could not be (the runner's words
    // say why), or the run was cancelled first.
    const QString notStarted =
        run.encoderStarted() ? QStringLiteral("cancelled before it started") : run.startFailure();
    for (qsizetype i = 0; i < queue.count(); ++i) {
        results << FileResult{queue.paths().at(i),
                              QString(),
                              run.encoderStarted() ? FileStatus::Cancelled : FileStatus::Failed,
                              notStarted,
                              0.0,
                              queue.trackAt(i)};
    }
    // A file reached through an alias is reported under the name its user gave.
    for (FileResult& result : results) {
        result.input = NativeNames::userPath(result.input);
        result.reason = NativeNames::userPath(result.reason);
    }
    if (inputs.isEmpty() && unreadable.isEmpty() && !options.json) {
        print(err, QStringLiteral("vordana: no file to convert was found\n"));
    }
    print(out,
          options.json ? QString::fromUtf8(jsonReport(results, format.name)) : textReport(results));
    Prompts::install(nullptr);

    if (const int signal = stops.take(); signal != 0) {
        return 128 + signal;
    }
    for (const FileResult& result : results) {
        if (!result.done()) {
            return kSomeFailed;
        }
    }
    return kAllConverted;
}

int convertFrontEnd(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vordana"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORDANA_VERSION));
    const ParsedCommandLine parsed = parseCommandLine(NativeNames::argumentsOf(argc, argv));
    switch (parsed.outcome) {
        case ParsedCommandLine::Outcome::Help:
            print(stdout, convertUsage());
            return kAllConverted;
        case ParsedCommandLine::Outcome::Version:
            print(stdout, QStringLiteral("vordana %1\n").arg(QStringLiteral(VORDANA_VERSION)));
            return kAllConverted;
        case ParsedCommandLine::Outcome::BadUsage:
            print(stderr, QStringLiteral("vordana: %1\n").arg(parsed.error));
            return kBadUsage;
        case ParsedCommandLine::Outcome::Convert:
            break;
    }
    for (const QString& warning : parsed.warnings) {
        print(stderr, QStringLiteral("vordana: warning: %1\n").arg(warning));
    }
    return runConvert(parsed.options, stdout, stderr);
}
