#include "conversion/ConversionRun.h"

#include "filelist/FileQueue.h"
#include "platform/PrivateTempFolder.h"
#include "process/EncoderImageName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool pathTaken(const QString& path) {
    // A dangling symbolic link counts as taken: the encoder would write through it.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QString lastMessageLine(const QString& output) {
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const QStringList lines = output.split(lineBreak, Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty()) {
            return line;
        }
    }
    return QString();
}

}  // namespace

ConversionRun::ConversionRun(FileQueue& queue, QObject* parent)
    : QObject(parent),
      m_queue(queue),
      m_platform(PlatformDescription::native()),
      m_clock([] { return QTime::currentTime(); }) {
    m_settings.outputFolder = m_platform.programFolder + m_platform.separator + "output";
    connect(&m_objffmpeg, &DOSOutputs::ReceiveOutputs, this,
            &ConversionRun::objffmpeg_ReceiveOutputs);
    connect(&m_objffmpeg, &DOSOutputs::CommandOver, this, &ConversionRun::objffmpeg_CommandOver);
    connect(&m_objDOS, &DOSOutputs::CommandOver, this, &ConversionRun::objDOS_CommandOver);
}

void ConversionRun::setProgressYield(std::function<void()> yield) {
    const int duration = m_progress.DurationSeconds;
    const QString glyph = m_progress.SpinnerGlyph;
    m_progress = EncoderProgressParser(std::move(yield));
    m_progress.DurationSeconds = duration;
    m_progress.SpinnerGlyph = glyph;
}

int ConversionRun::failedCount() const {
    int failed = 0;
    for (const FileResult& result : m_results) {
        failed += result.converted ? 0 : 1;
    }
    return failed;
}

void ConversionRun::RunQueue() {
    if (m_running) {
        return;
    }
    m_running = true;
    m_encoderStarted = true;
    m_results.clear();

    QDir().mkpath(m_settings.outputFolder);
    PrivateTempFolder::ensure();

    while (!m_queue.isEmpty()) {
        const QString separator(m_platform.separator);
        if (!m_settings.outputFolder.endsWith(separator)) {
            m_settings.outputFolder += separator;
            emit outputFolderChanged(m_settings.outputFolder);
        }
        m_current =
            BuildEncoderCommand(m_settings, m_queue.head(), m_clock(), m_platform, pathTaken);
        EncoderImageName() = m_current.imageName;
        DOSOutputs& runner = m_current.runner == RunnerChoice::objffmpeg ? m_objffmpeg : m_objDOS;
        emit fileStarted(m_queue.head(), m_current.outputPath);
        runner.setCommandLine(m_current.commandLine);
        runner.ExecuteCommand();
        if (!runner.lastRunStarted()) {
            // The runner has told the user; trying the same file again would repeat forever.
            m_encoderStarted = false;
            break;
        }
        QCoreApplication::processEvents();
    }
    m_running = false;
}

void ConversionRun::objffmpeg_ReceiveOutputs(const QString& CommandOutputs) {
    if (m_progress.feed(CommandOutputs, m_display)) {
        emit progressChanged(m_display);
    }
}

void ConversionRun::objffmpeg_CommandOver() {
    finishHead(m_objffmpeg);
}

void ConversionRun::objDOS_CommandOver() {
    finishHead(m_objDOS);
}

void ConversionRun::finishHead(const DOSOutputs& runner) {
    FileResult result;
    result.input = m_queue.head();
    result.output = m_current.outputPath;
    const QFileInfo output(m_current.outputPath);
    const bool wroteOutput = output.exists() && output.size() > 0;
    result.converted = runner.exitStatus() == 0 && wroteOutput;
    if (!result.converted) {
        result.message = lastMessageLine(runner.Outputs());
        if (result.message.isEmpty()) {
            result.message =
                runner.exitStatus() == 0
                    ? QStringLiteral("no output file was written")
                    : QStringLiteral("the encoder ended with status %1").arg(runner.exitStatus());
        }
        // The name was free when the command was built, so whatever is there is the failed
        // conversion's partial output.
        QFile::remove(m_current.outputPath);
    }
    m_results.append(result);
    m_queue.removeAt(0);
    m_progress.DurationSeconds = 0;
    emit fileFinished(result);
}
