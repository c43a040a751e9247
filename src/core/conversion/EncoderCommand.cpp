#include "conversion/EncoderCommand.h"

#include "conversion/CommandPieces.h"
#include "conversion/GetFile.h"
#include "cue/TrackCut.h"
#include "process/CommandLineText.h"
#include "text/LeadingNumber.h"

namespace {

constexpr Setting kNumbers[] = {Setting::SampleRate, Setting::BitRate, Setting::VideoBitRate,
                                Setting::FrameRate,  Setting::Level,   Setting::Quality,
                                Setting::Vbr};

std::optional<Setting> numberNamed(const QString& placeholder) {
    for (const Setting setting : kNumbers) {
        if (placeholder == placeholderOf(setting)) {
            return setting;
        }
    }
    return std::nullopt;
}

// The input's file name without its extension (the last dot's part): --keep-names.
QString wholeBaseName(const QString& inputPath, QChar separator) {
    const QString name = GetFileName(inputPath, separator);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

EncoderCommand refused(const QString& problem) {
    EncoderCommand command;
    command.problem = problem;
    command.writesFinalFile = false;
    return command;
}

void useStage(EncoderCommand& command, const FormatStage& stage,
              const PlatformDescription& platform) {
    command.runner = stage.runner;
    command.imageName = platform.imageName(stage.program);
    command.program = CommandPieces::encoderPath(platform, stage.program);
}

}  // namespace

namespace CommandValues {

CommandTemplate::Values of(const EncoderSettings& settings, const OutputFormat& format) {
    CommandTemplate::Values values;
    if (settings.sampleRate != EncoderSettings::kSourceRate) {
        values.insert(QStringLiteral("rate"), settings.sampleRate);
    }
    if (!settings.vbr.isEmpty() && format.uses(Setting::Vbr)) {
        values.insert(QStringLiteral("vbr"), settings.vbr);
    } else {
        values.insert(QStringLiteral("bitrate"), settings.bitRate);
    }
    if (settings.channelIndex != EncoderSettings::kSourceChannels) {
        values.insert(QStringLiteral("channels"), QString::number(settings.channelIndex + 1));
    }
    values.insert(QStringLiteral("vbitrate"), settings.videoBitRate);
    values.insert(QStringLiteral("fps"), settings.frameRate);
    values.insert(QStringLiteral("level"), settings.level);
    values.insert(QStringLiteral("quality"), settings.quality);
    values.insert(QStringLiteral("cut"), QString());
    values.insert(QStringLiteral("tags"), QString());
    return values;
}

QString problemIn(const QString& pattern, const CommandTemplate::Values& values,
                  const EncoderSettings& settings) {
    for (const QString& name : CommandTemplate::usedNames(pattern, values)) {
        if (name == placeholderOf(Setting::FrameSize)) {
            if (settings.frameSize.kind == VideoSize::Kind::Invalid) {
                return QStringLiteral("the video size \"%1\" is not WIDTHxHEIGHT")
                    .arg(settings.frameSize.typed);
            }
            continue;
        }
        const std::optional<Setting> number = numberNamed(name);
        const QString text = values.value(name).value_or(QString());
        if (number && !isPlainNumber(text)) {
            return QStringLiteral("the %1 \"%2\" is not a number").arg(wordsFor(*number), text);
        }
    }
    return QString();
}

}  // namespace CommandValues

QString TimeStamp(const QTime& time) {
    return QString::number(time.hour()) + QString::number(time.minute()) +
           QString::number(time.second());
}

QString OutputNameFor(const EncoderSettings& settings, const OutputFormat& format,
                      const QString& folder, const QString& inputPath, const QTime& clock,
                      const PlatformDescription& platform,
                      const std::function<bool(const QString&)>& nameTaken) {
    if (settings.keepNames) {
        return CommandPieces::freeOutputName(folder, wholeBaseName(inputPath, platform.separator),
                                             QString(), format.extension, nameTaken);
    }
    return CommandPieces::freeOutputName(folder, GetBaseName(inputPath, platform.separator),
                                         format.stampSeparator() + TimeStamp(clock),
                                         format.extension, nameTaken);
}

EncoderCommand BuildEncoderCommand(const EncoderSettings& settings, const QString& inputPath,
                                   const QTime& clock, const PlatformDescription& platform,
                                   const std::function<bool(const QString&)>& nameTaken) {
    using CommandLineText::quoteArgument;
    const OutputFormat* format = outputFormat(settings.formatIndex);
    if (!format) {
        // No format selected: an empty command, which the runner refuses with its "Command
        // Line empty" message instead of running something unintended.
        EncoderCommand command = refused(QString());
        useStage(command, outputFormats().first().first, platform);
        return command;
    }
    const FormatStage& stage = format->first;
    CommandTemplate::Values values = CommandValues::of(settings, *format);
    const QString problem = CommandValues::problemIn(stage.arguments, values, settings);
    if (!problem.isEmpty()) {
        return refused(problem);
    }

    EncoderCommand command;
    useStage(command, stage, platform);
    if (format->needsSecondStage()) {
        // Every two-stage format goes through the same fixed intermediate; the second stage
        // turns it into the final file, which is where the free-name check happens.
        command.outputPath = CommandPieces::intermediatePath(platform);
        command.writesFinalFile = false;
        values.insert(QStringLiteral("intermediate"),
                      CommandPieces::intermediateArgument(command.outputPath));
    } else {
        command.outputPath = OutputNameFor(settings, *format, settings.outputFolder, inputPath,
                                           clock, platform, nameTaken);
        values.insert(QStringLiteral("output"), quoteArgument(command.outputPath));
    }
    values.insert(QStringLiteral("input"), quoteArgument(inputPath));
    command.commandLine = command.program + CommandTemplate::fill(stage.arguments, values);
    return command;
}

EncoderCommand BuildTrackCommand(const EncoderSettings& settings, const TrackCut& track,
                                 const PlatformDescription& platform,
                                 const std::function<bool(const QString&)>& nameTaken) {
    using CommandLineText::quoteArgument;
    const OutputFormat* selected = outputFormat(settings.formatIndex);
    const OutputFormat& format =
        selected && !selected->video ? *selected : *outputFormat(EncoderSettings::kMp3Format);
    CommandTemplate::Values values = CommandValues::of(settings, format);
    const QString problem = CommandValues::problemIn(format.first.arguments, values, settings);
    if (!problem.isEmpty()) {
        return refused(problem);
    }
    EncoderCommand command;
    useStage(command, format.first, platform);
    command.outputPath = CommandPieces::freeOutputName(settings.outputFolder, track.outputBase,
                                                       QString(), format.extension, nameTaken);
    QString cut = QStringLiteral(" -ss ") + cutSeconds(track.startFrames);
    if (track.endFrames) {
        cut += QStringLiteral(" -to ") + cutSeconds(*track.endFrames);
    }
    QString tags;
    for (const auto& [key, value] : track.tags) {
        tags += QStringLiteral(" -metadata ") + quoteArgument(key + QLatin1Char('=') + value);
    }
    values.insert(QStringLiteral("cut"), cut);
    values.insert(QStringLiteral("tags"), tags);
    values.insert(QStringLiteral("input"), quoteArgument(track.image));
    values.insert(QStringLiteral("output"), quoteArgument(command.outputPath));
    command.commandLine = command.program + CommandTemplate::fill(format.first.arguments, values);
    return command;
}
