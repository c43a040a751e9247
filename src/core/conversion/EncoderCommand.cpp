#include "conversion/EncoderCommand.h"

#include "conversion/CommandPieces.h"
#include "conversion/GetFile.h"
#include "conversion/TrackCut.h"
#include "process/CommandLineText.h"
#include "text/LeadingNumber.h"

#include <vector>

namespace {

// The first setting the format's first stage puts in its command line that is not a plain
// number, as a reason.
QString settingProblem(const EncoderSettings& settings) {
    struct Check {
        const QString* text;
        const char* what;
    };
    std::vector<Check> checks;
    switch (settings.formatIndex) {
        case EncoderSettings::kMp3Format:
            checks = {{&settings.sampleRate, "sample rate"}, {&settings.bitRate, "bit rate"}};
            break;
        case 2:
        case 3:
            checks = {{&settings.bitRate, "bit rate"},
                      {&settings.videoBitRate, "video bit rate"},
                      {&settings.frameRate, "frame rate"}};
            break;
        case 4:
            checks = {{&settings.bitRate, "bit rate"}, {&settings.videoBitRate, "video bit rate"}};
            break;
        default:
            break;  // the intermediate's command takes no setting
    }
    for (const Check& check : checks) {
        if (!isPlainNumber(*check.text)) {
            return QStringLiteral("the %1 \"%2\" is not a number")
                .arg(QLatin1String(check.what), *check.text);
        }
    }
    return QString();
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
    command.problem = settingProblem(settings);
    if (!command.problem.isEmpty()) {
        command.writesFinalFile = false;
        return command;
    }
    const QString input = quoteArgument(inputPath);
    const QString base = GetBaseName(inputPath, platform.separator);
    const QString stamp = TimeStamp(clock);
    const QString& folder = settings.outputFolder;

    if (settings.formatIndex == 8) {
        command.runner = RunnerChoice::objffmpeg;
        command.imageName = platform.imageName(QStringLiteral("coder"));
        command.program = CommandPieces::encoderPath(platform, QStringLiteral("coder"));
        command.outputPath = CommandPieces::freeOutputName(folder, base, QLatin1Char('_') + stamp,
                                                           QStringLiteral(".mp3"), nameTaken);
        command.writesFinalFile = true;
        command.commandLine = CommandPieces::encoderPath(platform, QStringLiteral("coder")) +
                              QStringLiteral(" -i ") + input + QStringLiteral(" -y -vn -ar ") +
                              settings.sampleRate + QStringLiteral(" -ab ") + settings.bitRate +
                              QStringLiteral("k -ac ") +
                              QString::number(settings.channelIndex + 1) + QLatin1Char(' ') +
                              quoteArgument(command.outputPath);
        return command;
    }

    command.runner = RunnerChoice::objDOS;
    command.imageName = platform.imageName(QStringLiteral("conv"));
    command.program = CommandPieces::encoderPath(platform, QStringLiteral("conv"));
    const QString conv =
        CommandPieces::encoderPath(platform, QStringLiteral("conv")) + QLatin1Char(' ') + input;
    const QString videoTail = QLatin1Char('-') + stamp;

    switch (settings.formatIndex) {
        case 0:
        case 1:
        case 5:
        case 6:
        case 7:
            // Every two-stage format goes through the same fixed intermediate; the second stage
            // turns it into the final file, which is where the free-name check happens.
            command.outputPath = CommandPieces::intermediatePath(platform);
            command.writesFinalFile = false;
            command.commandLine = conv +
                                  QStringLiteral(
                                      " -oac mp3lame -lameopts preset=320 -ovc lavc -lavcopts "
                                      "vcodec=mpeg4:vbitrate=1200 -of avi -o ") +
                                  CommandPieces::intermediateArgument(command.outputPath);
            break;
        case 2:
        case 3:
            command.outputPath = CommandPieces::freeOutputName(
                folder, base, videoTail,
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
            command.outputPath = CommandPieces::freeOutputName(folder, base, videoTail,
                                                               QStringLiteral(".mp4"), nameTaken);
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

EncoderCommand BuildTrackCommand(const EncoderSettings& settings, const TrackCut& track,
                                 const PlatformDescription& platform,
                                 const std::function<bool(const QString&)>& nameTaken) {
    using CommandLineText::quoteArgument;
    EncoderSettings mp3 = settings;
    mp3.formatIndex = EncoderSettings::kMp3Format;
    EncoderCommand command;
    command.problem = settingProblem(mp3);
    if (!command.problem.isEmpty()) {
        command.writesFinalFile = false;
        return command;
    }
    command.runner = RunnerChoice::objffmpeg;
    command.imageName = platform.imageName(QStringLiteral("coder"));
    command.program = CommandPieces::encoderPath(platform, QStringLiteral("coder"));
    command.outputPath = CommandPieces::freeOutputName(
        settings.outputFolder, track.outputBase, QString(), QStringLiteral(".mp3"), nameTaken);
    QString cut = QStringLiteral(" -ss ") + cutSeconds(track.startFrames);
    if (track.endFrames) {
        cut += QStringLiteral(" -to ") + cutSeconds(*track.endFrames);
    }
    QString tags;
    for (const auto& [key, value] : track.tags) {
        tags += QStringLiteral(" -metadata ") + quoteArgument(key + QLatin1Char('=') + value);
    }
    command.commandLine = command.program + cut + QStringLiteral(" -i ") +
                          quoteArgument(track.image) + QStringLiteral(" -y -vn -ar ") +
                          mp3.sampleRate + QStringLiteral(" -ab ") + mp3.bitRate +
                          QStringLiteral("k -ac ") + QString::number(mp3.channelIndex + 1) + tags +
                          QLatin1Char(' ') + quoteArgument(command.outputPath);
    return command;
}
