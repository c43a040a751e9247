#pragma once

#include "conversion/EncoderCommand.h"
#include "conversion/EncoderProgressParser.h"
#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"
#include "process/DOSOutputs.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

class FileQueue;

// How one file of a run ended.
struct FileResult {
    QString input;
    QString output;
    bool converted = false;
    QString message;  // the encoder's last message line when it failed
};

// Converts the queue file by file: builds each head's command, runs the encoder on the
// runner that goes with it, follows its progress, and takes the file off the queue when the
// encoder has ended. Files appended while a run is in progress are converted in the same run.
// Both front ends drive this one object; the window binds its boxes to settings().
class ConversionRun : public QObject {
    Q_OBJECT

public:
    explicit ConversionRun(FileQueue& queue, QObject* parent = nullptr);

    EncoderSettings& settings() { return m_settings; }
    const EncoderSettings& settings() const { return m_settings; }
    void setPlatform(const PlatformDescription& platform) { m_platform = platform; }
    const PlatformDescription& platform() const { return m_platform; }
    void setClock(std::function<QTime()> clock) { m_clock = std::move(clock); }
    // Runs while the progress parser works through a chunk (the window lets events through).
    void setProgressYield(std::function<void()> yield);

    DOSOutputs& objffmpeg() { return m_objffmpeg; }
    DOSOutputs& objDOS() { return m_objDOS; }
    const ProgressDisplay& display() const { return m_display; }
    int DurationSeconds() const { return m_progress.DurationSeconds; }

    // True while RunQueue is on the stack: the head of the queue is being converted.
    bool isRunning() const { return m_running; }
    // False when the last run stopped because the encoder could not be started.
    bool encoderStarted() const { return m_encoderStarted; }
    // What became of each file of the current or last run, in order.
    const QList<FileResult>& results() const { return m_results; }
    int failedCount() const;

    // Converts until the queue is empty, or until the encoder cannot be started at all (the
    // runner has said so; the files stay queued). Ignored while a run is in progress.
    void RunQueue();

signals:
    void fileStarted(const QString& input, const QString& output);
    void progressChanged(const ProgressDisplay& display);
    void fileFinished(const FileResult& result);
    // The output folder field gained its trailing separator.
    void outputFolderChanged(const QString& folder);

private:
    void objffmpeg_ReceiveOutputs(const QString& CommandOutputs);
    void objffmpeg_CommandOver();
    void objDOS_CommandOver();
    void finishHead(const DOSOutputs& runner);

    FileQueue& m_queue;
    EncoderSettings m_settings;
    PlatformDescription m_platform;
    std::function<QTime()> m_clock;
    DOSOutputs m_objffmpeg;
    DOSOutputs m_objDOS;
    EncoderProgressParser m_progress;
    ProgressDisplay m_display;
    EncoderCommand m_current;
    QList<FileResult> m_results;
    bool m_running = false;
    bool m_encoderStarted = true;
};
