#include "conversion/EncoderCommand.h"

#include "conversion/GetFile.h"
#include "process/CommandLineText.h"

namespace {

QString encoderPath(const PlatformDescription& platform, const QString& encoder) {
    // Left unquoted at the head of the line; the runner finds the program by trying the
    // blank-delimited prefixes, so a program folder with blanks still works.
    return platform.programFolder + platform.separator + QStringLiteral("data") +
           platform.separator + platform.imageName(encoder);
}

// stem + extension, or stem + "-2" + extension, "-3", ... : the first name nobody has taken, so
// two inputs with the same base name converted within one second keep both results.
QString freeOutputName(const QString& stem, const QString& extension,
                       const std::function<bool(const QString&)>& nameTaken) {
    QString name = stem + extension;
    if (!nameTaken) {
        return name;
    }
    for (int n = 2; nameTaken(name); ++n) {
        name = stem + QLatin1Char('-') + QString::number(n) + extension;
    }
    return name;
}

// The scratch file of the two-stage formats traditionally goes unquoted; quote it only when a
// blank or quote in the folder would otherwise split it.
QString intermediateArgument(const QString& path) {
    const bool needsQuotes = path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t')) ||
                             path.contains(QLatin1Char('"'));
    return needsQuotes ? CommandLineText::quoteArgument(path) : path;
}

}  // namespace

QString TimeStamp(const QTime& time) {
    return QString::number(time.hour()) + QString::number(time.minute()) +
           QString::number(time.second());
}

EncoderCommand BuildEncoderCommand(const EncoderSettings& settings, const QString& inputPath,
                                   const QTime& clock, const PlatformDescription& platform,
                                   const std::function<bool(const QString&)>& nameTaken) {
    using CommandLineText::quoteArgument;

    EncoderCommand command;
    const QString input = quoteArgument(inputPath);
    const QString stem = settings.outputFolder + GetBaseName(inputPath, platform.separator);
    const QString stamp = TimeStamp(clock);

    if (settings.formatIndex == 8) {
        command.runner = RunnerChoice::objffmpeg;
        command.imageName = platform.imageName(QStringLiteral("coder"));
        command.program = encoderPath(platform, QStringLiteral("coder"));
        command.outputPath =
            freeOutputName(stem + QLatin1Char('_') + stamp, QStringLiteral(".mp3"), nameTaken);
        command.writesFinalFile = true;
        command.commandLine = encoderPath(platform, QStringLiteral("coder")) +
                              QStringLiteral(" -i ") + input + QStringLiteral(" -y -vn -ar ") +
                              settings.sampleRate + QStringLiteral(" -ab ") + settings.bitRate +
                              QStringLiteral("k -ac ") +
                              QString::number(settings.channelIndex + 1) + QLatin1Char(' ') +
                              quoteArgument(command.outputPath);
        return command;
    }

    command.runner = RunnerChoice::objDOS;
    command.imageName = platform.imageName(QStringLiteral("conv"));
    command.program = encoderPath(platform, QStringLiteral("conv"));
    const QString conv = encoderPath(platform, QStringLiteral("conv")) + QLatin1Char(' ') + input;
    const QString videoStem = stem + QLatin1Char('-') + stamp;

    switch (settings.formatIndex) {
        case 0:
        case 1:
        case 5:
        case 6:
        case 7:
            // Every two-stage format goes through the same fixed intermediate; the second stage
            // turns it into the final file, which is where the free-name check happens.
            command.outputPath =
                platform.temporaryFolder + platform.separator + QStringLiteral("tmp.mp4");
            command.writesFinalFile = false;
            command.commandLine = conv +
                                  QStringLiteral(
                                      " -oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts "
                                      "vcodec=mpeg4:vbitrate=1200 -of avi -o ") +
                                  intermediateArgument(command.outputPath);
            break;
        case 2:
        case 3:
            command.outputPath = freeOutputName(
                videoStem,
                settings.formatIndex == 2 ? QStringLiteral(".mpg") : QStringLiteral(".avi"),
                nameTaken);
            command.commandLine =
                conv + QStringLiteral(" -oac lavc -lavcopts acodec=mp2:abitrate=") +
                settings.bitRate +
                QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg1video:vbitrate=") +
                settings.videoBitRate + QStringLiteral(":vpass=1 -ofps ") + settings.frameRate +
                QStringLiteral(" -of lavf -lavfopts format=yuv4mpeg -o ") +
                quoteArgument(command.outputPath);
            break;
        case 4:
            command.outputPath = freeOutputName(videoStem, QStringLiteral(".mp4"), nameTaken);
            command.commandLine = conv + QStringLiteral(" -oac mp3lame -lameopts preset=") +
                                  settings.bitRate +
                                  QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:vbitrate=") +
                                  settings.videoBitRate + QStringLiteral(" -of avi -o ") +
                                  quoteArgument(command.outputPath);
            break;
        default:
            // No format selected: an empty command, which the runner refuses with its
            // "Command Line empty" message instead of running something unintended.
            command.writesFinalFile = false;
            break;
    }
    return command;
}
