#include "conversion/SecondStageCommand.h"

#include "conversion/CommandPieces.h"
#include "process/CommandLineText.h"

bool completesInTheFirstStage(int formatIndex) {
    const OutputFormat* format = outputFormat(formatIndex);
    return format && format->video && !format->needsSecondStage();
}

bool needsSecondStage(int formatIndex) {
    const OutputFormat* format = outputFormat(formatIndex);
    return format && format->needsSecondStage();
}

EncoderCommand BuildSecondStageCommand(const EncoderSettings& settings, const QString& inputPath,
                                       const QTime& clock, const PlatformDescription& platform,
                                       const std::function<bool(const QString&)>& nameTaken) {
    EncoderCommand command;
    command.runner = RunnerChoice::objffmpeg;
    const OutputFormat* format = outputFormat(settings.formatIndex);
    if (!format || !format->second) {
        command.writesFinalFile = false;
        return command;
    }
    const FormatStage& stage = *format->second;
    const bool sourceSize = settings.frameSize.isSource();
    const QLatin1String pattern =
        sourceSize && !stage.atSourceSize.isEmpty() ? stage.atSourceSize : stage.arguments;
    CommandTemplate::Values values = CommandValues::of(settings, *format);
    if (!sourceSize) {
        values.insert(QStringLiteral("size"), settings.frameSize.text());
    } else if (!stage.sourceSizeAs.isEmpty()) {
        values.insert(QStringLiteral("size"), QString(stage.sourceSizeAs));
    }
    command.problem = CommandValues::problemIn(pattern, values, settings);
    if (!command.problem.isEmpty()) {
        command.writesFinalFile = false;
        return command;
    }

    command.imageName = platform.imageName(stage.program);
    command.program = CommandPieces::encoderPath(platform, stage.program);
    QString folder = settings.outputFolder;
    if (!folder.endsWith(platform.separator)) {
        folder += platform.separator;
    }
    command.outputPath =
        OutputNameFor(settings, *format, folder, inputPath, clock, platform, nameTaken);
    values.insert(QStringLiteral("intermediate"),
                  CommandPieces::intermediateArgument(CommandPieces::intermediatePath(platform)));
    values.insert(QStringLiteral("output"), CommandLineText::quoteArgument(command.outputPath));
    command.commandLine = command.program + CommandTemplate::fill(pattern, values);
    return command;
}
