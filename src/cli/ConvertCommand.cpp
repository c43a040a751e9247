#include "ConvertCommand.h"

#include "conversion/ConversionRun.h"
#include "filelist/FileQueue.h"
#include "filelist/FolderScan.h"
#include "platform/ConsolePrompts.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

namespace {

void print(FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

}  // namespace

QString convertUsage() {
    return QStringLiteral(
        "usage: vordana --convert [--output DIR] [--bitrate TEXT] [--rate TEXT] "
        "[--channels 1|2] PATH...\n"
        "Converts each file to MP3; folders are searched for .ape files.\n"
        "Defaults: --bitrate 320 --rate 48000 --channels 2, output folder beside the program.\n");
}

std::optional<ConvertOptions> parseConvertArguments(const QStringList& arguments, QString* error) {
    ConvertOptions options;
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

    FileQueue queue;
    for (const QString& path : options.paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            QStringList found;
            SearchFolder(info.absoluteFilePath(), found);
            for (const QString& file : found) {
                queue.append(file);
            }
        } else {
            queue.append(info.absoluteFilePath());
        }
    }
    if (queue.isEmpty()) {
        print(out, QStringLiteral("No .ape files found.\nconverted 0, failed 0\n"));
        Prompts::install(nullptr);
        return kAllConverted;
    }

    ConversionRun run(queue);
    EncoderSettings& settings = run.settings();
    settings.formatIndex = 8;
    settings.bitRate = options.bitRate;
    settings.sampleRate = options.sampleRate;
    settings.channelIndex = options.channelIndex;
    if (!options.outputFolder.isEmpty()) {
        settings.outputFolder = QFileInfo(options.outputFolder).absoluteFilePath();
    }

    // On a terminal the label updates in place, as it does in the window; in a log, one line
    // per change.
    const bool terminal = ::isatty(::fileno(out)) != 0;
    int number = 0;
    QObject::connect(&run, &ConversionRun::fileStarted,
                     [&](const QString& input, const QString& output) {
                         ++number;
                         print(out, QStringLiteral("[%1/%2] %3 -> %4\n")
                                        .arg(number)
                                        .arg(number - 1 + queue.count())
                                        .arg(input, output));
                     });
    QObject::connect(&run, &ConversionRun::progressChanged, [&](const ProgressDisplay& display) {
        print(out, terminal ? QStringLiteral("\r%1\x1b[K").arg(display.label)
                            : display.label + QLatin1Char('\n'));
    });
    QObject::connect(&run, &ConversionRun::fileFinished, [&](const FileResult& result) {
        if (terminal) {
            print(out, QStringLiteral("\r\x1b[K"));
        }
        print(out, result.converted ? QStringLiteral("  done: %1\n").arg(result.output)
                                    : QStringLiteral("  FAILED: %1\n").arg(result.message));
    });

    run.RunQueue();

    QList<FileResult> failures;
    int converted = 0;
    for (const FileResult& result : run.results()) {
        if (result.converted) {
            ++converted;
        } else {
            failures << result;
        }
    }
    if (!run.encoderStarted()) {
        // The encoder could not be started: nothing left in the queue was converted.
        for (const QString& path : queue.paths()) {
            failures << FileResult{path, QString(), false,
                                   QStringLiteral("File or command not found")};
        }
    }
    print(out, QStringLiteral("converted %1, failed %2\n").arg(converted).arg(failures.size()));
    for (const FileResult& failure : failures) {
        print(out, QStringLiteral("failed: %1\n  %2\n").arg(failure.input, failure.message));
    }
    Prompts::install(nullptr);
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
