#include "conversion/ConversionRun.h"

#include "conversion/CommandPieces.h"
#include "conversion/OutputReservation.h"
#include "conversion/SecondStageCommand.h"
#include "conversion/TrackCut.h"
#include "conversion/VideoProgressParser.h"
#include "filelist/FileQueue.h"
#include "platform/PrivateTempFolder.h"
#include "platform/UserFile.h"
#include "process/DOSOutputs.h"
#include "process/EncoderImageName.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <unistd.h>
#include <optional>

namespace {

bool isProgressLine(const QString& line) {
    static const QRegularExpression mencoderStatus(QStringLiteral("\\(\\s*\\d+%\\)"));
    return line.startsWith(QLatin1String("time=")) || line.contains(QLatin1String("Duration: ")) ||
           mencoderStatus.match(line).hasMatch();
}

// Why a file failed, in the encoder's words where it gave some: its last "conversion failed"
// line, else (when a signal ended it) the signal, else its last line that is not progress.
QString failureReason(const QString& output, const DOSOutputs& runner, bool wroteOutput) {
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const QStringList lines = output.split(lineBreak, Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (it->contains(QLatin1String("conversion failed: "))) {
            return it->trimmed();
        }
    }
    if (runner.endingSignal() != 0) {
        return QStringLiteral("encoder ended by signal %1").arg(runner.endingSignal());
    }
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (!line.isEmpty() && !isProgressLine(line)) {
            return line;
        }
    }
    if (runner.exitStatus() != 0) {
        return QStringLiteral("the encoder ended with status %1").arg(runner.exitStatus());
    }
    return wroteOutput ? QStringLiteral("the encoder did not finish the file")
                       : QStringLiteral("no output file was written");
}

bool isNonEmptyFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink() && info.size() > 0;
}

}  // namespace

// One encoder at a time: its two runners (ffmpeg-style and mencoder-style), its progress, and
// the file it works on.
struct ConversionRun::Lane {
    explicit Lane(int laneIndex) : index(laneIndex) { watchdog.setSingleShot(true); }

    int index;
    DOSOutputs objffmpeg;
    DOSOutputs objDOS;
    EncoderProgressParser progress;     // ffmpeg-style output; its glyph is the lane's
    VideoProgressParser videoProgress;  // mencoder-style output of the first video stage
    ProgressReport display;
    QTimer watchdog;
    QString lastLine;  // the encoder repeats its last time line while it waits: not progress
    QString partLine;

    bool busy = false;
    quint64 entryId = 0;
    qsizetype resultIndex = -1;
    QString input;
    std::shared_ptr<const TrackCut> track;  // the track of an image it cuts, if any
    PlatformDescription platform;           // the run's, with the lane's own temporary folder
    EncoderCommand command;
    bool secondStage = false;
    OutputReservation reservation;
    QElapsedTimer clock;
    QString stopReason;  // set when the run ended the encoder itself
    FileStatus stopStatus = FileStatus::Failed;
};

ConversionRun::ConversionRun(FileQueue& queue, QObject* parent)
    : QObject(parent),
      m_queue(queue),
      m_settings(EncoderSettings::mp3Defaults()),
      m_platform(PlatformDescription::native()),
      m_clock([] { return QTime::currentTime(); }) {
    m_settings.outputFolder = m_platform.programFolder + m_platform.separator + "output";
    setLaneCount(1);
}

ConversionRun::~ConversionRun() {
    // The lanes' folders go when they are empty; an encoder still at work (the window closed
    // during a run) keeps its own.
    for (const auto& lane : m_lanes) {
        if (!lane->platform.temporaryFolder.isEmpty()) {
            QDir().rmdir(lane->platform.temporaryFolder);
        }
    }
}

void ConversionRun::setProgressYield(std::function<void()> yield) {
    m_progressYield = std::move(yield);
    for (auto& lane : m_lanes) {
        const int duration = lane->progress.DurationSeconds;
        const QString glyph = lane->progress.SpinnerGlyph;
        lane->progress = EncoderProgressParser(m_progressYield);
        lane->progress.DurationSeconds = duration;
        lane->progress.SpinnerGlyph = glyph;
        lane->videoProgress = VideoProgressParser(m_progressYield);
    }
}

void ConversionRun::setLaneCount(int lanes) {
    m_wantedLanes = qMax(1, lanes);
    if (m_running) {
        return;
    }
    while (static_cast<int>(m_lanes.size()) > m_wantedLanes) {
        m_lanes.pop_back();
    }
    while (static_cast<int>(m_lanes.size()) < m_wantedLanes) {
        auto lane = std::make_unique<Lane>(static_cast<int>(m_lanes.size()));
        Lane* l = lane.get();
        l->progress = EncoderProgressParser(m_progressYield);
        l->videoProgress = VideoProgressParser(m_progressYield);
        for (DOSOutputs* runner : {&l->objffmpeg, &l->objDOS}) {
            const bool mencoderStyle = runner == &l->objDOS;
            connect(runner, &DOSOutputs::ReceiveOutputs, this,
                    [this, l, mencoderStyle](const QString& chunk) {
                        onOutput(*l, chunk, mencoderStyle);
                    });
            connect(runner, &DOSOutputs::CommandOver, this,
                    [this, l, runner] { onEncoderEnded(*l, *runner); });
        }
        connect(&l->watchdog, &QTimer::timeout, this, [this, l] {
            l->stopReason = QStringLiteral("encoder stalled");
            l->stopStatus = FileStatus::Failed;
            l->objffmpeg.terminate(m_stopGrace);
            l->objDOS.terminate(m_stopGrace);
        });
        m_lanes.push_back(std::move(lane));
    }
}

DOSOutputs& ConversionRun::objffmpeg(int lane) {
    return m_lanes.at(static_cast<size_t>(lane))->objffmpeg;
}

DOSOutputs& ConversionRun::objDOS(int lane) {
    return m_lanes.at(static_cast<size_t>(lane))->objDOS;
}

const ProgressReport& ConversionRun::display(int lane) const {
    return m_lanes.at(static_cast<size_t>(lane))->display;
}

int ConversionRun::DurationSeconds(int lane) const {
    return m_lanes.at(static_cast<size_t>(lane))->progress.DurationSeconds;
}

int ConversionRun::failedCount() const {
    int failed = 0;
    for (const FileResult& result : m_results) {
        failed += result.status == FileStatus::Failed ? 1 : 0;
    }
    return failed;
}

void ConversionRun::RunQueue() {
    if (m_running) {
        return;
    }
    setLaneCount(m_wantedLanes);
    m_running = true;
    m_cancelling = false;
    m_encoderStarted = true;
    m_results.clear();

    QDir().mkpath(m_settings.outputFolder);
    // Intermediate files go where the private folder really is (a fresh one when the usual
    // place turned out unsafe).
    const QString temporary = PrivateTempFolder::ensure();
    if (!temporary.isEmpty()) {
        m_platform.temporaryFolder = temporary;
    }
    fillLanes();
    finishIfIdle();
}

void ConversionRun::cancel() {
    if (!m_running || m_cancelling) {
        return;
    }
    m_cancelling = true;
    for (auto& lane : m_lanes) {
        if (lane->busy) {
            lane->stopReason = QStringLiteral("cancelled");
            lane->stopStatus = FileStatus::Cancelled;
            lane->watchdog.stop();
            lane->objffmpeg.terminate(m_stopGrace);
            lane->objDOS.terminate(m_stopGrace);
        }
    }
    finishIfIdle();
}

void ConversionRun::fillLanes() {
    // Files that end at once (an input that is no file) must not start the next one from
    // inside their own completion: one loop here takes them all.
    if (m_filling) {
        return;
    }
    m_filling = true;
    bool progress = true;
    while (progress && m_running && !m_cancelling && m_encoderStarted) {
        progress = false;
        for (auto& lane : m_lanes) {
            if (lane->busy) {
                continue;
            }
            if (m_queue.busyCount() >= m_queue.count()) {
                break;
            }
            startNextFile(*lane);
            progress = true;
            if (!m_encoderStarted) {
                break;
            }
        }
    }
    m_filling = false;
}

bool ConversionRun::startNextFile(Lane& lane) {
    const auto entry = m_queue.takeNext();
    if (!entry) {
        return false;
    }
    lane.entryId = entry->id;
    lane.input = entry->path;
    lane.stopReason.clear();
    lane.stopStatus = FileStatus::Failed;
    lane.lastLine.clear();
    lane.partLine.clear();
    lane.clock.start();
    lane.resultIndex = m_results.size();
    m_results.append(FileResult{entry->path, QString(), FileStatus::Failed, QString(), 0.0});

    lane.track = entry->track;
    // A FIFO or a device would block the encoder (or feed it for ever), a folder is no file.
    if (const auto problem = UserFile::problem(entry->track ? entry->track->image : entry->path)) {
        FileResult result = m_results.at(lane.resultIndex);
        result.reason = *problem;
        m_queue.finish(lane.entryId);
        record(lane, result);
        return false;
    }

    const QString separator(m_platform.separator);
    if (!m_settings.outputFolder.endsWith(separator)) {
        m_settings.outputFolder += separator;
        emit outputFolderChanged(m_settings.outputFolder);
    }
    // Each lane has its own intermediate file, in a folder of its own: lanes, and other copies of
    // the program, never write each other's.
    lane.platform = m_platform;
    lane.platform.temporaryFolder =
        m_platform.temporaryFolder + QStringLiteral("/work-%1-%2").arg(::getpid()).arg(lane.index);
    lane.secondStage = false;
    if (needsSecondStage(m_settings.formatIndex)) {
        QDir().mkpath(lane.platform.temporaryFolder);
        // A file left by an earlier run must never become this file's second stage.
        OutputReservation::removeRegularFile(CommandPieces::intermediatePath(lane.platform));
    }
    OutputReservation& reservation = lane.reservation;
    // Only a name that is there counts as taken; a folder where nothing can be made ends the
    // search at once (the file then fails with the reason).
    const auto reserve = [&reservation](const QString& name) {
        return reservation.reserve(name) == OutputReservation::Outcome::Taken;
    };
    lane.command =
        entry->track
            ? BuildTrackCommand(m_settings, *entry->track, lane.platform, reserve)
            : BuildEncoderCommand(m_settings, entry->path, m_clock(), lane.platform, reserve);
    if (lane.command.problem.isEmpty() && !lane.command.outputPath.isEmpty() &&
        lane.command.writesFinalFile && !lane.reservation.isHeld()) {
        lane.command.problem = lane.reservation.error();
    }
    if (!lane.command.problem.isEmpty()) {
        FileResult result = m_results.at(lane.resultIndex);
        result.reason = lane.command.problem;
        m_queue.finish(lane.entryId);
        record(lane, result);
        return false;
    }
    EncoderImageName() = lane.command.imageName;
    DOSOutputs& runner =
        lane.command.runner == RunnerChoice::objffmpeg ? lane.objffmpeg : lane.objDOS;
    runner.setCommandLine(lane.command.commandLine);
    if (!runner.start(QString(), lane.command.program)) {
        // The runner has told the user; trying the same file again would repeat forever, so
        // the run ends and the file stays queued for another try.
        lane.reservation.release();
        m_queue.release(lane.entryId);
        m_results.removeAt(lane.resultIndex);
        m_encoderStarted = false;
        return false;
    }
    lane.busy = true;
    lane.progress.DurationSeconds = 0;
    lane.watchdog.start(static_cast<int>(m_stallTimeout.count()));
    emit fileStarted(lane.index, entry->path, lane.command.outputPath);
    return true;
}

void ConversionRun::onOutput(Lane& lane, const QString& chunk, bool mencoderStyle) {
    // Anything but the encoder's heartbeat (the same time line again) shows it is working.
    bool active = false;
    QString text = lane.partLine + chunk;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n') || text.at(i) == QLatin1Char('\r')) {
            const QString line = text.mid(start, i - start).trimmed();
            if (!line.isEmpty() && line != lane.lastLine) {
                active = true;
                lane.lastLine = line;
            }
            start = i + 1;
        }
    }
    lane.partLine = text.mid(start);
    if (active && lane.stopReason.isEmpty()) {
        lane.watchdog.start(static_cast<int>(m_stallTimeout.count()));
    }

    const bool changed =
        mencoderStyle ? lane.videoProgress.feed(chunk, lane.display, lane.progress.SpinnerGlyph)
                      : lane.progress.feed(chunk, lane.display);
    if (changed) {
        emit progressChanged(lane.index, lane.display);
    }
}

void ConversionRun::onEncoderEnded(Lane& lane, DOSOutputs& runner) {
    if (!lane.busy) {
        return;
    }
    const bool firstStageOfTwo =
        &runner == &lane.objDOS && !lane.secondStage && needsSecondStage(m_settings.formatIndex);
    // A first stage that failed (or was stopped) has no second: the file fails with the first
    // stage's reason, and no intermediate of an earlier file can be published under its name.
    if (firstStageOfTwo && lane.stopReason.isEmpty() && runner.exitStatus() == 0 &&
        isNonEmptyFile(lane.command.outputPath)) {
        startSecondStage(lane);
        return;
    }
    completeFile(lane, runner);
}

void ConversionRun::startSecondStage(Lane& lane) {
    OutputReservation& reservation = lane.reservation;
    lane.command = BuildSecondStageCommand(
        m_settings, lane.input, m_clock(), lane.platform, [&reservation](const QString& name) {
            return reservation.reserve(name) == OutputReservation::Outcome::Taken;
        });
    lane.secondStage = true;
    if (lane.command.problem.isEmpty() && !reservation.isHeld()) {
        lane.command.problem = reservation.error();
    }
    if (!lane.command.problem.isEmpty()) {
        lane.stopReason = lane.command.problem;
        lane.stopStatus = FileStatus::Failed;
        completeFile(lane, lane.objffmpeg);
        return;
    }
    EncoderImageName() = lane.command.imageName;
    lane.objffmpeg.setCommandLine(lane.command.commandLine);
    lane.progress.DurationSeconds = 0;
    if (!lane.objffmpeg.start(QString(), lane.command.program)) {
        // The runner has said so; as with a first stage that cannot start, the run ends and
        // the file stays queued.
        lane.reservation.release();
        OutputReservation::removeRegularFile(CommandPieces::intermediatePath(lane.platform));
        lane.busy = false;
        m_queue.release(lane.entryId);
        m_results.removeAt(lane.resultIndex);
        m_encoderStarted = false;
        finishIfIdle();
        return;
    }
    lane.watchdog.start(static_cast<int>(m_stallTimeout.count()));
}

void ConversionRun::completeFile(Lane& lane, const DOSOutputs& runner) {
    lane.watchdog.stop();
    FileResult result = m_results.at(lane.resultIndex);
    result.output = lane.command.outputPath;
    result.seconds = static_cast<double>(lane.clock.elapsed()) / 1000.0;
    const bool wroteOutput = isNonEmptyFile(lane.command.outputPath);
    // A file whose encoder finished just as it was told to stop is complete: it counts.
    if (runner.exitStatus() == 0 && wroteOutput) {
        result.status = FileStatus::Converted;
    } else if (!lane.stopReason.isEmpty()) {
        result.status = lane.stopStatus;
        result.reason = lane.stopReason;
    } else {
        result.status = FileStatus::Failed;
        result.reason = failureReason(runner.Outputs(), runner, wroteOutput);
    }
    if (result.converted()) {
        lane.reservation.keep();
    } else {
        lane.reservation.release();
    }
    if (needsSecondStage(m_settings.formatIndex)) {
        OutputReservation::removeRegularFile(CommandPieces::intermediatePath(lane.platform));
    }
    lane.busy = false;
    lane.progress.DurationSeconds = 0;
    m_queue.finish(lane.entryId);
    record(lane, result);
    fillLanes();
    finishIfIdle();
}

void ConversionRun::record(Lane& lane, FileResult result) {
    m_results[lane.resultIndex] = result;
    emit fileFinished(lane.index, result);
}

void ConversionRun::finishIfIdle() {
    if (!m_running || m_filling) {
        return;
    }
    for (const auto& lane : m_lanes) {
        if (lane->busy) {
            return;
        }
    }
    m_running = false;
    emit runFinished();
}
