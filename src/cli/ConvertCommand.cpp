#include "ConvertCommand.h"

#include "conversion/ConversionRun.h"
#include "filelist/FolderScan.h"
#include "platform/ConsolePrompts.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>

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
        while (::read(s_pipe[0], &number, 1) == 1) {
            if (m_first == 0) {
                m_first = number;
            }
        }
        return m_first;
    }
    int first() const { return m_first; }

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
    const QByteArray value = qgetenv("VORDANA_STALL_TIMEOUT_MS");
    bool ok = false;
    const int ms = value.toInt(&ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : std::chrono::minutes(1);
}

}  // namespace

QString convertUsage() {
    const EncoderSettings defaults = EncoderSettings::mp3Defaults();
    return QStringLiteral(
               "usage: vordana --convert [--output DIR] [--bitrate TEXT] [--rate TEXT] "
               "[--channels 1|2] PATH...\n"
               "Converts each file to MP3; folders are searched for .ape files.\n"
               "Defaults: --bitrate %1 --rate %2 --channels %3, output folder beside the "
               "program.\n")
        .arg(defaults.bitRate, defaults.sampleRate)
        .arg(defaults.channelIndex + 1);
}

std::optional<ConvertOptions> parseConvertArguments(const QStringList& arguments, QString* error) {
    ConvertOptions options;
    const EncoderSettings defaults = EncoderSettings::mp3Defaults();
    options.bitRate = defaults.bitRate;
    options.sampleRate = defaults.sampleRate;
    options.channelIndex = defaults.channelIndex;
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (onlyPaths || !argument.startsWith(QLatin1String("--"))) {
            options.paths << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            onlyPaths = true;
            continue;
        }
        const bool takesValue =
            argument == QLatin1String("--output") || argument == QLatin1String("--bitrate") ||
            argument == QLatin1String("--rate") || argument == QLatin1String("--channels");
        if (!takesValue) {
            *error = QStringLiteral("unknown option %1").arg(argument);
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            *error = QStringLiteral("%1 needs a value").arg(argument);
            return std::nullopt;
        }
        const QString value = arguments.at(++i);
        if (argument == QLatin1String("--output")) {
            if (value.isEmpty()) {
                *error = QStringLiteral("--output needs a folder");
                return std::nullopt;
            }
            options.outputFolder = value;
        } else if (argument == QLatin1String("--bitrate")) {
            options.bitRate = value;
        } else if (argument == QLatin1String("--rate")) {
            options.sampleRate = value;
        } else if (value == QLatin1String("1") || value == QLatin1String("2")) {
            options.channelIndex = value.toInt() - 1;
        } else {
            *error = QStringLiteral("--channels takes 1 or 2, not %1").arg(value);
            return std::nullopt;
        }
    }
    if (options.paths.isEmpty()) {
        *error = QStringLiteral("no file or folder to convert");
        return std::nullopt;
    }
    return options;
}

int runConvert(const ConvertOptions& options, FILE* out, FILE* err) {
    ConsolePrompts prompts(err);
    Prompts::install(&prompts);
    // A reader that goes away (`| head -1`) must not end the batch: the files still convert and
    // the exit status still tells.
    std::signal(SIGPIPE, SIG_IGN);

    Session session;
    FileQueue& queue = session.queue();
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList found;
            SearchFolder(info.absoluteFilePath(), found);
            queue.append(found);
        } else {
            queue.append(info.absoluteFilePath());
        }
    }
    if (queue.isEmpty()) {
        print(out, QStringLiteral("No .ape files found.\nconverted 0, failed 0\n"));
        Prompts::install(nullptr);
        return kAllConverted;
    }

    ConversionRun& run = session.run();
    run.setStallTimeout(stallTimeout());
    EncoderSettings& settings = session.settings();
    settings.formatIndex = EncoderSettings::kMp3Format;
    settings.bitRate = options.bitRate;
    settings.sampleRate = options.sampleRate;
    settings.channelIndex = options.channelIndex;
    if (!options.outputFolder.isEmpty()) {
        settings.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    }

    // On a terminal the label updates in place, as it does in the window; in a log, one line
    // per change.
    const bool terminal = ::isatty(::fileno(out)) != 0;
    const qsizetype total = queue.count();
    int number = 0;
    QObject::connect(&run, &ConversionRun::fileStarted,
                     [&](int, const QString& input, const QString& output) {
                         ++number;
                         print(out, QStringLiteral("[%1/%2] %3 -> %4\n")
                                        .arg(number)
                                        .arg(total)
                                        .arg(input, output));
                     });
    QObject::connect(&run, &ConversionRun::progressChanged,
                     [&](int, const ProgressDisplay& display) {
                         print(out, terminal ? QStringLiteral("\r%1\x1b[K").arg(display.label)
                                             : display.label + QLatin1Char('\n'));
                     });
    QObject::connect(&run, &ConversionRun::fileFinished, [&](int, const FileResult& result) {
        if (terminal) {
            print(out, QStringLiteral("\r\x1b[K"));
        }
        print(out, result.converted() ? QStringLiteral("  done: %1\n").arg(result.output)
                                      : QStringLiteral("  FAILED: %1\n").arg(result.reason));
    });

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
    stops.take();

    QList<FileResult> failures;
    int converted = 0;
    for (const FileResult& result : run.results()) {
        if (result.converted()) {
            ++converted;
        } else {
            failures << result;
        }
    }
    // Whatever is still queued was never started: the encoder could not be, or the run was
    // cancelled first.
    const QString notStarted = run.encoderStarted() ? QStringLiteral("cancelled")
                                                    : QStringLiteral("File or command not found");
    for (const QString& path : queue.paths()) {
        failures << FileResult{path, QString(), FileStatus::Cancelled, notStarted, 0.0};
    }
    print(out, QStringLiteral("converted %1, failed %2\n").arg(converted).arg(failures.size()));
    for (const FileResult& failure : failures) {
        print(out, QStringLiteral("failed: %1\n  %2\n").arg(failure.input, failure.reason));
    }
    Prompts::install(nullptr);
    if (stops.first() != 0) {
        return 128 + stops.first();
    }
    return failures.isEmpty() ? kAllConverted : kSomeFailed;
}

int convertFrontEnd(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vordana"));
    QString error;
    const auto options = parseConvertArguments(QCoreApplication::arguments().mid(2), &error);
    if (!options) {
        std::fprintf(stderr, "vordana: %s\n%s", error.toUtf8().constData(),
                     convertUsage().toUtf8().constData());
        return kBadUsage;
    }
    return runConvert(*options, stdout, stderr);
}
