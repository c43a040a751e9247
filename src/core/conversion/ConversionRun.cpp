#include "conversion/ConversionRun.h"

#include "conversion/CommandPieces.h"
#include "conversion/OutputReservation.h"
#include "conversion/SecondStageCommand.h"
#include "conversion/VideoProgressParser.h"
#include "cue/TrackCut.h"
#include "filelist/FileQueue.h"
#include "platform/OpenFileLimit.h"
#include "platform/PrivateTempFolder.h"
#include "platform/RunRecords.h"
#include "platform/UserFile.h"
#include "process/DOSOutputs.h"
#include "process/EncoderImageName.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// A start that fails for want of descriptors, with no other encoder whose end would free some,
// is tried again this often before its file fails.
constexpr int kRoomRetries = 5;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Makes the output folder and its parents when they are not there (it may have been removed
// during the run); the reason, naming the folder, when it cannot be.
std::optional<QString> outputFolderProblem(const QString& folder) {
    const QByteArray path = QFile::encodeName(QDir::cleanPath(folder));
    for (qsizetype end = 1; end <= path.size(); ++end) {
        if (end < path.size() && path.at(end) != '/') {
            continue;
        }
        const QByteArray part = path.left(end);
        struct stat st {};
        if (::stat(part.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
            continue;
        }
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) {
            return QStringLiteral("cannot create output folder %1: %2")
                .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    return std::nullopt;
}

// The name a file's output gets when no name is taken: what --skip-existing looks for.
QString plannedOutput(const EncoderSettings& settings, const FileQueue::Entry& entry,
                      const PlatformDescription& platform, const QTime& clock) {
    if (entry.track) {
        return BuildTrackCommand(settings, *entry.track, platform).outputPath;
    }
    const OutputFormat* format = outputFormat(settings.formatIndex);
    return format ? OutputNameFor(settings, *format, settings.outputFolder, entry.path, clock,
                                  platform, {})
                  : QString();
}

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

    bool busy = false;     // has a file: its encoder runs, or its second stage waits
    bool waiting = false;  // the first stage is done; the second waits for descriptors
    quint64 entryId = 0;   // the queue entry; its result in the run's list has the same key
    QString input;
    std::shared_ptr<const TrackCut> track;  // the track of an image it cuts, if any
    PlatformDescription platform;           // the run's, with the lane's own temporary folder
    EncoderSettings settings;               // the run's, with the file's own output folder
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
    m_roomRetry.setSingleShot(true);
    connect(&m_roomRetry, &QTimer::timeout, this, [this] {
        fillLanes();
        finishIfIdle();
    });
    setLaneCount(1);
}

ConversionRun::~ConversionRun() {
    // The lanes' folders go when they are empty; an encoder still at work (the window closed
    // during a run) keeps its own.
    for (const auto& lane : m_lanes) {
        if (!lane->busy && !lane->platform.temporaryFolder.isEmpty()) {
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
    const int allowed = OpenFileLimit::encodersWithin(m_wantedLanes);
    while (static_cast<int>(m_lanes.size()) > allowed) {
        m_lanes.pop_back();
    }
    while (static_cast<int>(m_lanes.size()) < allowed) {
        auto lane = std::make_unique<Lane>(static_cast<int>(m_lanes.size()));
        Lane* l = lane.get();
        l->progress = EncoderProgressParser(m_progressYield);
        l->videoProgress = VideoProgressParser(m_progressYield);
        for (DOSOutputs* runner : {&l->objffmpeg, &l->objDOS}) {
            const bool mencoderStyle = runner == &l->objDOS;
            runner->setRetriesPassingFailures(true);  // the run waits for room itself
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

quint64 ConversionRun::entryId(int lane) const {
    return m_lanes.at(static_cast<size_t>(lane))->entryId;
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
    m_startFailure.clear();
    m_roomRetries = 0;
    m_results.clear();
    m_resultIds.clear();
    m_queue.restoreSetAside();

    QDir().mkpath(m_settings.outputFolder);
    // Intermediate files go where the private folder really is (a fresh one when the usual
    // place turned out unsafe).
    const QString temporary = PrivateTempFolder::ensure();
    if (!temporary.isEmpty()) {
        m_platform.temporaryFolder = temporary;
    }
    // What runs that died left behind goes before this one makes anything.
    RunRecords::removeLeftovers(temporary);
    fillLanes();
    finishIfIdle();
}

void ConversionRun::cancel() {
    if (!m_running || m_cancelling) {
        return;
    }
    m_cancelling = true;
    m_roomRetry.stop();
    for (auto& lane : m_lanes) {
        if (lane->busy) {
            lane->stopReason = QStringLiteral("cancelled");
            lane->stopStatus = FileStatus::Cancelled;
            lane->watchdog.stop();
            lane->objffmpeg.terminate(m_stopGrace);
            lane->objDOS.terminate(m_stopGrace);
        }
    }
    settleWaiting();
    finishIfIdle();
}

bool ConversionRun::canStart() const {
    return m_running && !m_cancelling && m_encoderStarted && !m_roomRetry.isActive();
}

bool ConversionRun::anyEncoderRunning() const {
    return std::any_of(m_lanes.cbegin(), m_lanes.cend(),
                       [](const auto& lane) { return lane->busy && !lane->waiting; });
}

void ConversionRun::fillLanes() {
    // Files that end at once (an input that is no file) must not start the next one from
    // inside their own completion: one loop here takes them all.
    if (m_filling) {
        return;
    }
    m_filling = true;
    // Second stages waiting for descriptors go first: their files were taken up earlier. A
    // start that fails stops the filling: there is no room now, or the run ends.
    bool room = true;
    for (auto& lane : m_lanes) {
        if (room && lane->waiting && canStart()) {
            room = launchSecondStage(*lane);
        }
    }
    for (auto& lane : m_lanes) {
        while (room && canStart() && !lane->busy && m_queue.waitingCount() > 0) {
            room = startNextFile(*lane);
        }
    }
    m_filling = false;
}

bool ConversionRun::startNextFile(Lane& lane) {
    const auto entry = m_queue.takeNext();
    if (!entry) {
        return true;
    }
    lane.entryId = entry->id;
    lane.input = entry->path;
    lane.stopReason.clear();
    lane.stopStatus = FileStatus::Failed;
    lane.lastLine.clear();
    lane.partLine.clear();
    lane.clock.start();
    m_resultIds.append(entry->id);
    m_results.append(FileResult{entry->path, QString(), FileStatus::Failed, QString(), 0.0});
    m_results.last().track = entry->track;

    lane.track = entry->track;
    // A FIFO or a device would block the encoder (or feed it for ever), a folder is no file.
    if (const auto problem = UserFile::problem(entry->track ? entry->track->image : entry->path)) {
        endAtOnce(lane, *problem);
        return true;
    }

    const QString separator(m_platform.separator);
    if (!m_settings.outputFolder.endsWith(separator)) {
        m_settings.outputFolder += separator;
        emit outputFolderChanged(m_settings.outputFolder);
    }
    // The file's own settings: the run's, in its place of a mirrored tree.
    lane.settings = m_settings;
    if (!entry->subfolder.isEmpty()) {
        lane.settings.outputFolder += entry->subfolder + separator;
    }
    if (const auto problem = outputFolderProblem(lane.settings.outputFolder)) {
        endAtOnce(lane, *problem);
        return true;
    }
    // Each lane has its own intermediate file, in a folder of its own: lanes, and other copies of
    // the program, never write each other's.
    lane.platform = m_platform;
    lane.platform.temporaryFolder =
        RunRecords::ownPath(m_platform.temporaryFolder, QStringLiteral("work")) +
        QStringLiteral("-%1").arg(lane.index);
    lane.secondStage = false;
    if (needsSecondStage(m_settings.formatIndex)) {
        QDir().mkpath(lane.platform.temporaryFolder);
        // A file left by an earlier run must never become this file's second stage.
        OutputReservation::removeRegularFile(CommandPieces::intermediatePath(lane.platform));
    }
    if (m_skipExisting && lane.settings.keepNames) {
        const QString planned = plannedOutput(lane.settings, *entry, lane.platform, m_clock());
        if (QFileInfo::exists(planned)) {
            FileResult& result = m_results[resultIndexOf(lane.entryId)];
            result.output = planned;
            result.status = FileStatus::Skipped;
            endAtOnce(lane, QStringLiteral("its output is there already"));
            return true;
        }
    }
    OutputReservation& reservation = lane.reservation;
    // Only a name that is there counts as taken; a folder where nothing can be made ends the
    // search at once (the file then fails with the reason).
    const auto reserve = [&reservation](const QString& name) {
        return reservation.reserve(name) == OutputReservation::Outcome::Taken;
    };
    lane.command =
        entry->track
            ? BuildTrackCommand(lane.settings, *entry->track, lane.platform, reserve)
            : BuildEncoderCommand(lane.settings, entry->path, m_clock(), lane.platform, reserve);
    if (lane.command.problem.isEmpty() && !lane.command.outputPath.isEmpty() &&
        lane.command.writesFinalFile && !lane.reservation.isHeld()) {
        lane.command.problem = lane.reservation.error();
    }
    if (!lane.command.problem.isEmpty()) {
        endAtOnce(lane, lane.command.problem);
        return true;
    }
    DOSOutputs& runner =
        lane.command.runner == RunnerChoice::objffmpeg ? lane.objffmpeg : lane.objDOS;
    switch (launch(lane, runner)) {
        case Start::Started:
            lane.busy = true;
            emit fileStarted(lane.index, entry->path, lane.command.outputPath);
            return true;
        case Start::NoRoom:
            if (!waitForRoom()) {
                endAtOnce(lane, errorText(runner.startError()));
                return true;
            }
            break;
        case Start::Impossible:
            giveBack(lane);
            settleWaiting();
            return false;
    }
    giveBack(lane);  // it waits in the queue for room
    return false;
}

ConversionRun::Start ConversionRun::launch(Lane& lane, DOSOutputs& runner) {
    EncoderImageName() = lane.command.imageName;
    runner.setCommandLine(lane.command.commandLine);
    lane.progress.DurationSeconds = 0;
    if (runner.start(QString(), lane.command.program)) {
        lane.reservation.noteEncoder(runner.processId());
        m_roomRetries = 0;
        lane.waiting = false;
        lane.watchdog.start(static_cast<int>(m_stallTimeout.count()));
        return Start::Started;
    }
    if (DOSOutputs::isPassingStartError(runner.startError())) {
        return Start::NoRoom;
    }
    // The runner has told the user; trying again would repeat it without end, so the run ends
    // and what did not start stays queued for another try.
    m_encoderStarted = false;
    m_startFailure = runner.startFailure();
    return Start::Impossible;
}

bool ConversionRun::waitForRoom() {
    if (anyEncoderRunning()) {
        return true;  // its end frees descriptors, and the lanes are filled again then
    }
    if (m_roomRetries >= kRoomRetries) {
        m_roomRetries = 0;  // the file fails; the next one gets its own tries
        return false;
    }
    ++m_roomRetries;
    m_roomRetry.start(static_cast<int>(m_roomRetryDelay.count()));
    return true;
}

void ConversionRun::giveBack(Lane& lane) {
    lane.watchdog.stop();
    lane.reservation.release();
    if (needsSecondStage(m_settings.formatIndex)) {
        OutputReservation::removeRegularFile(CommandPieces::intermediatePath(lane.platform));
    }
    lane.busy = false;
    lane.waiting = false;
    m_queue.release(lane.entryId);
    const qsizetype index = resultIndexOf(lane.entryId);
    m_results.removeAt(index);
    m_resultIds.removeAt(index);
}

void ConversionRun::endAtOnce(Lane& lane, const QString& reason) {
    lane.reservation.release();
    FileResult result = m_results.at(resultIndexOf(lane.entryId));
    result.reason = reason;
    settleEntry(lane, result);
    record(lane, result);
}

void ConversionRun::settleEntry(const Lane& lane, const FileResult& result) {
    if (!m_keepUnconverted || result.done()) {
        m_queue.finish(lane.entryId);
    } else if (result.status == FileStatus::Cancelled) {
        m_queue.release(lane.entryId);
    } else {
        m_queue.setAside(lane.entryId, result.reason);
    }
}

void ConversionRun::settleWaiting() {
    // Second stages still waiting for room when the run ends: a cancel cancels them, a start
    // that cannot be gives their files back to the queue.
    for (auto& lane : m_lanes) {
        if (!lane->waiting) {
            continue;
        }
        if (m_cancelling) {
            completeFile(*lane, lane->objffmpeg);
        } else if (!m_encoderStarted) {
            giveBack(*lane);
        }
    }
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
        finishIfIdle();
        return;
    }
    completeFile(lane, runner);
}

void ConversionRun::startSecondStage(Lane& lane) {
    OutputReservation& reservation = lane.reservation;
    lane.command = BuildSecondStageCommand(
        lane.settings, lane.input, m_clock(), lane.platform, [&reservation](const QString& name) {
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
    launchSecondStage(lane);
}

bool ConversionRun::launchSecondStage(Lane& lane) {
    if (!m_encoderStarted) {
        giveBack(lane);  // the run ends: nothing starts after a start that cannot be
        return false;
    }
    switch (launch(lane, lane.objffmpeg)) {
        case Start::Started:
            return true;
        case Start::NoRoom:
            // The intermediate and the reserved name stay until there is room.
            lane.waiting = true;
            lane.watchdog.stop();
            if (waitForRoom()) {
                return false;
            }
            lane.stopReason = errorText(lane.objffmpeg.startError());
            lane.stopStatus = FileStatus::Failed;
            completeFile(lane, lane.objffmpeg);
            return true;
        case Start::Impossible:
            giveBack(lane);
            settleWaiting();
            return false;
    }
    return false;
}

void ConversionRun::completeFile(Lane& lane, const DOSOutputs& runner) {
    lane.watchdog.stop();
    lane.waiting = false;
    FileResult result = m_results.at(resultIndexOf(lane.entryId));
    result.output = lane.command.outputPath;
    result.seconds = static_cast<double>(lane.clock.elapsed()) / 1000.0;
    const bool wroteOutput = isNonEmptyFile(lane.command.outputPath);
    // A file whose encoder finished just as it was told to stop is complete: it counts, unless
    // what it finished was only the first stage's intermediate.
    if (runner.exitStatus() == 0 && wroteOutput && lane.command.writesFinalFile) {
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
    settleEntry(lane, result);
    record(lane, result);
    fillLanes();
    finishIfIdle();
}

qsizetype ConversionRun::resultIndexOf(quint64 entryId) const {
    // Files still at work were taken up lately: look from the end.
    for (qsizetype i = m_resultIds.size() - 1; i >= 0; --i) {
        if (m_resultIds.at(i) == entryId) {
            return i;
        }
    }
    Q_ASSERT_X(false, "ConversionRun", "a lane's file has no result");
    return -1;
}

void ConversionRun::record(Lane& lane, FileResult result) {
    m_results[resultIndexOf(lane.entryId)] = result;
    emit fileFinished(lane.index, result);
}

void ConversionRun::finishIfIdle() {
    if (!m_running || m_filling || m_roomRetry.isActive()) {
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
