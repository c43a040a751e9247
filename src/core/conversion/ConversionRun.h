#pragma once

#include "conversion/EncoderCommand.h"
#include "conversion/EncoderProgressParser.h"
#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class DOSOutputs;
class FileQueue;
struct TrackCut;

// How one file of a run ended. Skipped: its output was there already (see setSkipExisting).
enum class FileStatus { Converted, Failed, Cancelled, Skipped };

struct FileResult {
    QString input;
    QString output;
    FileStatus status = FileStatus::Failed;
    QString reason;  // why it failed: the encoder's last error line, or what the run found
    double seconds = 0.0;
    std::shared_ptr<const TrackCut> track = nullptr;  // the track of an image it cut, if any

    bool converted() const { return status == FileStatus::Converted; }
    // Converted, or nothing to do: what a batch counts as done.
    bool done() const { return status == FileStatus::Converted || status == FileStatus::Skipped; }
};

// Converts the queue: builds each file's command, runs the encoder on the runner that goes with
// it, follows its progress, and takes the file off the queue when the encoder has ended. Files
// appended while a run is in progress are converted in the same run. Both front ends drive this
// one object; the window binds its boxes to settings().
//
// A small state machine driven by the runners' events, with no loop of its own: idle ->
// converting (each lane: first stage [-> second stage] -> next file) -> idle. A lane is one
// encoder at a time with its own runners and progress; both front ends run as many lanes as
// they are told (by default one per core this process may use). cancel() stops every encoder (SIGTERM, SIGKILL after the
// grace time) and ends the run; what an encoder leaves half-written is removed.
class ConversionRun : public QObject {
    Q_OBJECT

public:
    explicit ConversionRun(FileQueue& queue, QObject* parent = nullptr);
    ~ConversionRun() override;

    EncoderSettings& settings() { return m_settings; }
    const EncoderSettings& settings() const { return m_settings; }
    void setPlatform(const PlatformDescription& platform) { m_platform = platform; }
    const PlatformDescription& platform() const { return m_platform; }
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }
    // Runs while the progress parser works through a chunk (the window lets events through).
    void setProgressYield(std::function<void()> yield);
    // How many files convert at once (at least 1, and no more than the limit of open files
    // leaves room for: laneCount() tells); takes effect at the next start.
    void setLaneCount(int lanes);
    int laneCount() const { return static_cast<int>(m_lanes.size()); }
    // An encoder that shows no progress for this long is ended ("encoder stalled").
    void setStallTimeout(std::chrono::milliseconds timeout) { m_stallTimeout = timeout; }
    // With names kept (settings().keepNames), a file whose output is there already is skipped.
    void setSkipExisting(bool skip) { m_skipExisting = skip; }
    // Files that did not convert stay queued: a failed one set aside with its reason (this run
    // does not take it again), a cancelled one as it was. Off, they leave the queue as converted
    // files do.
    void setKeepUnconverted(bool keep) { m_keepUnconverted = keep; }
    // How long a stopped encoder may take to end before it is killed.
    void setStopGrace(std::chrono::milliseconds grace) { m_stopGrace = grace; }
    // How long a start that found no descriptors waits when no other encoder's end will free
    // any (it is tried a few times so).
    void setRoomRetryDelay(std::chrono::milliseconds delay) { m_roomRetryDelay = delay; }

    DOSOutputs& objffmpeg(int lane = 0);
    DOSOutputs& objDOS(int lane = 0);
    const ProgressReport& display(int lane = 0) const;
    int DurationSeconds(int lane = 0) const;
    // The queue entry of the lane's file, from fileStarted until its fileFinished has been
    // handled (also for a file that ended before its encoder started).
    quint64 entryId(int lane) const;

    // True from the start of a run until runFinished.
    bool isRunning() const { return m_running; }
    // True once cancel() was called, until the next run starts.
    bool wasCancelled() const { return m_cancelling; }
    // False when the last run stopped because the encoder could not be started; startFailure()
    // then says why, as the runner showed it ("File or command not found", ...).
    bool encoderStarted() const { return m_encoderStarted; }
    QString startFailure() const { return m_startFailure; }
    // What became of each file the current or last run took up, in the order they were taken.
    const QList<FileResult>& results() const { return m_results; }
    int failedCount() const;

    // Starts converting the queue and returns at once; runFinished follows when the queue has
    // no file left to take (at once for an empty queue), or when the encoder cannot be started
    // at all (the runner has said so; the files stay queued). A start that fails for want of
    // descriptors is no failure: the file waits in the queue until another encoder has ended
    // (or, with none at work, a few short delays). Ignored while a run is in progress.
    void RunQueue();
    // Ends the run: every encoder is stopped, its partial output removed, its file reported
    // as cancelled; files not yet started stay in the queue.
    void cancel();

signals:
    void fileStarted(int lane, const QString& input, const QString& output);
    void progressChanged(int lane, const ProgressReport& display);
    void fileFinished(int lane, const FileResult& result);
    // The output folder field gained its trailing separator.
    void outputFolderChanged(const QString& folder);
    void runFinished();

private:
    struct Lane;
    enum class Start { Started, NoRoom, Impossible };

    bool canStart() const;
    bool anyEncoderRunning() const;
    void fillLanes();
    // Takes the next file onto `lane`; false when its encoder could not start (no room now, or
    // the run ends), true otherwise (it runs, or it ended at once).
    bool startNextFile(Lane& lane);
    Start launch(Lane& lane, DOSOutputs& runner);
    // After a start without room: true when the file is to wait (for another encoder's end or
    // a retry), false when its tries are spent.
    bool waitForRoom();
    // The lane's file goes back to the queue untouched: no result, nothing left behind.
    void giveBack(Lane& lane);
    void endAtOnce(Lane& lane, const QString& reason);
    // The file's entry leaves the queue, or stays as setKeepUnconverted says.
    void settleEntry(const Lane& lane, const FileResult& result);
    void settleWaiting();
    void onOutput(Lane& lane, const QString& chunk, bool mencoderStyle);
    void onEncoderEnded(Lane& lane, DOSOutputs& runner);
    void startSecondStage(Lane& lane);
    // Same contract as startNextFile.
    bool launchSecondStage(Lane& lane);
    void completeFile(Lane& lane, const DOSOutputs& runner);
    qsizetype resultIndexOf(quint64 entryId) const;
    void record(Lane& lane, FileResult result);
    void finishIfIdle();

    FileQueue& m_queue;
    EncoderSettings m_settings;
    PlatformDescription m_platform;
    std::function<QTime()> m_clock;
    std::function<void()> m_progressYield;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    int m_wantedLanes = 1;
    std::chrono::milliseconds m_stallTimeout{std::chrono::seconds(60)};
    std::chrono::milliseconds m_stopGrace{std::chrono::seconds(2)};
    std::chrono::milliseconds m_roomRetryDelay{300};
    // The results in the order files were taken up, each under its queue entry's id: a lane
    // finds its own whatever the others add or take back.
    QList<FileResult> m_results;
    QList<quint64> m_resultIds;
    QTimer m_roomRetry;
    int m_roomRetries = 0;
    QString m_startFailure;
    bool m_running = false;
    bool m_cancelling = false;
    bool m_encoderStarted = true;
    bool m_filling = false;
    bool m_skipExisting = false;
    bool m_keepUnconverted = false;
};
