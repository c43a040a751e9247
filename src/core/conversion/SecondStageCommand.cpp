#include "conversion/SecondStageCommand.h"

#include "conversion/CommandPieces.h"
#include "conversion/FormatPresets.h"
#include "conversion/GetFile.h"
#include "process/CommandLineText.h"
#include "text/LeadingNumber.h"

#include <QRegularExpression>

namespace {

QString extensionOf(int formatIndex) {
    switch (formatIndex) {
        case 0:
            return QStringLiteral(".rmvb");
        case 1:
            return QStringLiteral(".rm");
        case 5:
            return QStringLiteral(".mov");
        case 6:
            return QStringLiteral(".mp4");
        case 7:
            return QStringLiteral(".3gp");
        default:
            return QString();
    }
}

QString problemWith(const QString& text, const char* what) {
    return QStringLiteral("the %1 \"%2\" is not a number").arg(QLatin1String(what), text);
}

}  // namespace

bool completesInTheFirstStage(int formatIndex) {
    return formatIndex >= 2 && formatIndex <= 4;
}

bool needsSecondStage(int formatIndex) {
    return !extensionOf(formatIndex).isEmpty();
}

EncoderCommand BuildSecondStageCommand(const EncoderSettings& settings, const QString& inputPath,
                                       const QTime& clock, const PlatformDescription& platform,
                                       const std::function<bool(const QString&)>& nameTaken) {
    EncoderCommand command;
    command.runner = RunnerChoice::objffmpeg;
    const int format = settings.formatIndex;
    const QString extension = extensionOf(format);
    if (extension.isEmpty()) {
        command.writesFinalFile = false;
        return command;
    }
    const bool sourceSize = settings.frameSize == frameSizeItems().first();
    const bool realMedia = format == 0 || format == 1;

    // Settings texts go into the command line as they stand: numbers only.
    static const QRegularExpression dimensions(QStringLiteral("^[0-9]+x[0-9]+$"));
    if (!sourceSize) {
        if (!dimensions.match(settings.frameSize).hasMatch()) {
            command.problem =
                QStringLiteral("the video size \"%1\" is not WIDTHxHEIGHT").arg(settings.frameSize);
        } else if (realMedia && !isPlainNumber(settings.videoBitRate)) {
            command.problem = problemWith(settings.videoBitRate, "video bit rate");
        } else if (realMedia && !isPlainNumber(settings.sampleRate)) {
            command.problem = problemWith(settings.sampleRate, "sample rate");
        } else if (realMedia && !isPlainNumber(settings.bitRate)) {
            command.problem = problemWith(settings.bitRate, "bit rate");
        }
    }
    if (!command.problem.isEmpty()) {
        command.writesFinalFile = false;
        return command;
    }

    const QString encoder =
        format == 6 || format == 7 ? QStringLiteral("coder2") : QStringLiteral("coder");
    command.imageName = platform.imageName(encoder);
    command.program = CommandPieces::encoderPath(platform, encoder);
    QString folder = settings.outputFolder;
    if (!folder.endsWith(platform.separator)) {
        folder += platform.separator;
    }
    command.outputPath =
        CommandPieces::freeOutputName(folder, GetBaseName(inputPath, platform.separator),
                                      QLatin1Char('-') + TimeStamp(clock), extension, nameTaken);
    const QString output = CommandLineText::quoteArgument(command.outputPath);
    const QString head =
        command.program + QStringLiteral(" -i ") +
        CommandPieces::intermediateArgument(CommandPieces::intermediatePath(platform)) +
        QStringLiteral(" -y ");
    const QString size = settings.frameSize;

    switch (format) {
        case 0:
        case 1:
            command.commandLine =
                sourceSize
                    ? head + QStringLiteral("-vcodec rv10 -b 1200k -f rm  -ab 128k -ac 2 ") + output
                    : head + QStringLiteral("-s ") + size + QStringLiteral(" -vcodec rv10 -b ") +
                          settings.videoBitRate + QStringLiteral("k -f rm -ar ") +
                          settings.sampleRate + QStringLiteral(" -ab ") + settings.bitRate +
                          QStringLiteral("k -ac ") + QString::number(settings.channelIndex + 1) +
                          QLatin1Char(' ') + output;
            break;
        case 5:
            command.commandLine =
                head + (sourceSize ? QString() : QStringLiteral("-s ") + size + QLatin1Char(' ')) +
                QStringLiteral("-ac 2 -ar 48000 -ab 128k ") + output;
            break;
        default:  // the two phone formats keep to 320x240 unless a size is chosen
            command.commandLine =
                head + QStringLiteral("-s ") + (sourceSize ? QStringLiteral("320x240") : size) +
                QStringLiteral(" -vcodec mpeg4 -acodec amr_nb -ac 1 -ar 8000 -ab 12.2k ") + output;
            break;
    }
    return command;
}
