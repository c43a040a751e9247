#include "ConvertCommand.h"

#include "ConvertProgress.h"
#include "conversion/ConversionRun.h"
#include "filelist/InputGathering.h"
#include "filelist/NativeNames.h"
#include "platform/ConsolePrompts.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include <memory>

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Ctrl-C, SIGTERM and SIGHUP cancel the batch instead of killing us mid-file: the handler only
// notes the signal in a pipe, and the event loop cancels the run and reports as usual.
class StopSignals {
public:
    StopSignals() {
        if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = &StopSignals::handle;
        sigemptyset(&action.sa_mask);
        for (int signal : kSignals) {
            ::sigaction(signal, &action, nullptr);
        }
        m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
    }
    ~StopSignals() {
        m_notifier.reset();
        for (int signal : kSignals) {
            std::signal(signal, SIG_DFL);
        }
        for (int& fd : s_pipe) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    QSocketNotifier* notifier() const { return m_notifier.get(); }

    // The first signal received (0 for none); empties the pipe.
    int take() {
        unsigned char number = 0;
        while (s_pipe[0] >= 0 && ::read(s_pipe[0], &number, 1) == 1) {
            if (m_first == 0) {
                m_first = number;
            }
        }
        return m_first;
    }

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    static void handle(int signal) {
        const auto number = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t ignored = ::write(s_pipe[1], &number, 1);
    }
    static inline int s_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_first = 0;
};

// A test can make the watchdog short; everyone else gets the minute.
std::chrono::milliseconds stallTimeout() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VORDANA_STALL_TIMEOUT_MS", &ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : std::chrono::minutes(1);
}

const char* statusWord(FileStatus status) {
    switch (status) {
        case FileStatus::Converted:
            return "converted";
        case FileStatus::Failed:
            return "failed";
        case FileStatus::Cancelled:
            return "cancelled";
    }
    return "failed";
}

QByteArray jsonReport(const QList<FileResult>& results) {
    QJsonArray files;
    int counts[3] = {0, 0, 0};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        files.append(QJsonObject{{"input", result.input},
                                 {"output", result.converted() ? result.output : QString()},
                                 {"status", QLatin1String(statusWord(result.status))},
                                 {"reason", result.reason},
                                 {"seconds", result.seconds}});
    }
    const QJsonObject document{{"files", files},
                               {"converted", counts[static_cast<int>(FileStatus::Converted)]},
                               {"failed", counts[static_cast<int>(FileStatus::Failed)]},
                               {"cancelled", counts[static_cast<int>(FileStatus::Cancelled)]}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString textReport(const QList<FileResult>& results) {
    QString done;
    QString problems;
    int counts[3] = {0, 0, 0};
    for (const FileResult& result : results) {
        ++counts[static_cast<int>(result.status)];
        if (result.converted()) {
            done += QStringLiteral("done: %1 -> %2\n").arg(result.input, result.output);
        } else if (result.status == FileStatus::Cancelled) {
            problems += QStringLiteral("cancelled: %1\n").arg(result.input);
        } else {
            problems +=
                QStringLiteral("%1: %2\n  %3\n")
                    .arg(QLatin1String(statusWord(result.status)), result.input, result.reason);
        }
    }
    QString summary = QStringLiteral("converted %1, failed %2")
                          .arg(counts[static_cast<int>(FileStatus::Converted)])
                          .arg(counts[static_cast<int>(FileStatus::Failed)]);
    if (counts[static_cast<int>(FileStatus::Cancelled)] > 0) {
        summary +=
            QStringLiteral(", cancelled %1").arg(counts[static_cast<int>(FileStatus::Cancelled)]);
    }
    return done + summary + QLatin1Char('\n') + problems;
}

// Video formats search folders for video files; the audio format for Monkey's Audio files.
QStringList searchedExtensions(int format) {
    if (format == EncoderSettings::kMp3Format) {
        return {QStringLiteral("ape")};
    }
    return {QStringLiteral("avi"),  QStringLiteral("mp4"),  QStringLiteral("m4v"),
            QStringLiteral("mkv"),  QStringLiteral("mov"),  QStringLiteral("flv"),
            QStringLiteral("wmv"),  QStringLiteral("mpg"),  QStringLiteral("mpeg"),
            QStringLiteral("rm"),   QStringLiteral("rmvb"), QStringLiteral("3gp"),
            QStringLiteral("webm"), QStringLiteral("ts")};
}

}  // namespace

int defaultJobs() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) == 0) {
        return qMax(1, CPU_COUNT(&cpus));
    }
    return qMax(1, static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN)));
}

int runConvert(const ConvertOptions& options, FILE* out, FILE* err) {
    ConsolePrompts prompts(err);
    Prompts::install(&prompts);
    // A reader that goes away (`| head -1`) must not end the batch: the files still convert and
    // the exit status still tells.
    std::signal(SIGPIPE, SIG_IGN);

    Session session;
    EncoderSettings& settings = session.settings();
    settings.applyPreset(options.format);
    settings.bitRate = options.bitRate.value_or(settings.bitRate);
    settings.sampleRate = options.sampleRate.value_or(settings.sampleRate);
    settings.channelIndex = options.channelIndex.value_or(settings.channelIndex);
    settings.frameSize = options.frameSize.value_or(settings.frameSize);
    settings.videoBitRate = options.videoBitRate.value_or(settings.videoBitRate);
    settings.frameRate = options.frameRate.value_or(settings.frameRate);
    if (!options.outputFolder.isEmpty()) {
        settings.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    }

    FileQueue& queue = session.queue();
    GatherOptions gather;
    gather.splitImages = options.splitImages && options.format == EncoderSettings::kMp3Format;
    gather.cueEncoding = options.cueEncoding;
    gather.extensions = searchedExtensions(options.format);
    QList<FileResult> unreadable;  // inputs that give nothing to convert
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        const QString absolute = QDir::cleanPath(info.absoluteFilePath());
        const Gathered gathered =
            info.isDir() ? gatherFolder(absolute, gather) : gatherFile(absolute, gather);
        queue.append(gathered.items);
        for (const auto& [input, reason] : gathered.problems) {
            unreadable << FileResult{input, QString(), FileStatus::Failed, reason, 0.0};
            print(err, QStringLiteral("failed: %1: %2\n").arg(input, reason));
        }
    }
    const QStringList inputs = queue.paths();

    ConversionRun& run = session.run();
    run.setStallTimeout(stallTimeout());
    run.setLaneCount(options.jobs > 0 ? options.jobs : defaultJobs());

    const ConvertProgress::Mode mode = options.quiet ? ConvertProgress::Mode::Quiet
                                       : ::isatty(::fileno(err)) != 0
                                           ? ConvertProgress::Mode::Terminal
                                           : ConvertProgress::Mode::Plain;
    ConvertProgress progress(run, inputs, mode, err);
    StopSignals stops;
    if (stops.notifier()) {
        QObject::connect(stops.notifier(), &QSocketNotifier::activated, [&] {
            stops.take();
            run.cancel();
        });
    }
    QObject::connect(&run, &ConversionRun::runFinished, [] { QCoreApplication::exit(0); });
    run.RunQueue();
    if (run.isRunning()) {
        QCoreApplication::exec();
    }
    progress.finish();

    QList<FileResult> results = unreadable + run.results();
    // Whatever is still queued was never started: the encoder could not be, or the run was
    // cancelled first.
    const QString notStarted = run.encoderStarted() ? QStringLiteral("cancelled before it started")
                                                    : QStringLiteral("File or command not found");
    for (const QString& path : queue.paths()) {
        results << FileResult{path, QString(),
                              run.encoderStarted() ? FileStatus::Cancelled : FileStatus::Failed,
                              notStarted, 0.0};
    }
    if (inputs.isEmpty() && unreadable.isEmpty() && !options.json) {
        print(err, QStringLiteral("vordana: no file to convert was found\n"));
    }
    print(out, options.json ? QString::fromUtf8(jsonReport(results)) : textReport(results));
    Prompts::install(nullptr);

    if (const int signal = stops.take(); signal != 0) {
        return 128 + signal;
    }
    for (const FileResult& result : results) {
        if (!result.converted()) {
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
    return runConvert(parsed.options, stdout, stderr);
}
