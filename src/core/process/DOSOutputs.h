#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

#include <sys/types.h>

class QSocketNotifier;

// Runs one console program with its standard output and standard error captured through one
// pipe, and hands the text to its owner chunk by chunk while the program runs.
//
// Driven by events: the pipe is read when it has data (at most 1024 bytes a chunk, a character
// never split between two), and the program's end is learnt from its pidfd. The order holds as
// a loop would keep it: every ReceiveOutputs comes before CommandOver, because the pipe is
// drained once more after the end is known. The run ends when the program has ended and no
// process of the image name EncoderImageName() remains in the program's own process tree (a
// program that hands its work to a child of the same name keeps the run going; a stranger's
// process of that name never does).
//
// start() is the event form; ExecuteCommand() waits for the end and returns the output.
class DOSOutputs : public QObject {
    Q_OBJECT

public:
    static constexpr int kChunkBytes = 1024;
    // How often the tree is looked at while descendants of an ended program still run.
    static constexpr int kTreePollMilliSeconds = 50;

    explicit DOSOutputs(QObject* parent = nullptr);
    // Closes our end of the pipe; a program still running is left to finish on its own.
    ~DOSOutputs() override;

    QString CommandLine() const { return m_commandLine; }
    void setCommandLine(const QString& DOSCommand) { m_commandLine = DOSCommand; }

    // Everything read during the current or last run.
    QString Outputs() const { return m_outputs; }

    // Starts `CommandLine` (or the stored command line when empty) and returns at once: true
    // when the program started. When it cannot start, the reason has been shown (unless it is
    // a passing one and the owner retries, see below), no event follows and the pipe is closed;
    // startError() and startFailure() tell why. Refused while a run is in progress. `program`,
    // when given, is the program the command line starts with: it is taken whole, even when a
    // shorter blank-delimited prefix of it happens to name a file too.
    bool start(const QString& CommandLine = QString(), const QString& program = QString());

    // Why the last start failed: the errno of pipe2 or of the spawn (ENOENT when the command
    // line names no program there is, EINVAL when it is empty), 0 when it started.
    int startError() const { return m_startError; }
    // The same in words, as shown: "File or command not found", "Command Line empty",
    // "CreatePipe failed. Error: <n>" or "Cannot start <program>: <what the system says>".
    QString startFailure() const { return m_startFailure; }
    // Descriptors or processes ran out (EMFILE, ENFILE, EAGAIN): the same start may well
    // succeed once something else has ended.
    static bool isPassingStartError(int error);
    // The owner starts again itself what failed for a passing reason: such a failure is not
    // shown.
    void setRetriesPassingFailures(bool retries) { m_retriesPassingFailures = retries; }
    // For tests: asked before every spawn; a non-zero errno makes the spawn fail with it.
    static void setSpawnFault(std::function<int()> fault);

    // Runs `CommandLine` (or the stored one) to its end, serving events meanwhile, and returns
    // its output; an empty text when the program did not start.
    QString ExecuteCommand(const QString& CommandLine = QString(),
                           const QString& program = QString());

    bool isRunning() const { return m_running; }
    // The program started last (its process group has the same number); -1 when none runs.
    pid_t processId() const { return m_running ? m_child : -1; }

    // Ends the run's programs: SIGTERM to the program's process group now, SIGKILL after
    // `grace` when something of it still runs. CommandOver follows as usual.
    void terminate(std::chrono::milliseconds grace = std::chrono::seconds(2));

    // How the last run ended: whether the program started at all, its exit status (128 + signal
    // number when a signal ended it; -1 when it could not be collected), and the signal.
    bool lastRunStarted() const { return m_started; }
    int exitStatus() const { return m_exitStatus; }
    int endingSignal() const { return m_endingSignal; }

signals:
    void ReceiveOutputs(const QString& CommandOutputs);
    void CommandOver();

private:
    // Starts the program with its output on `writeFd`; 0 or the errno why it did not start.
    int startProcess(int writeFd, const QString& program);
    bool failToStart(int error, const QString& text);
    QString decodeChunk(const QByteArray& bytes);
    void onReadable();
    void onProgramEnded();
    void collectProgram();
    // Reads one chunk and delivers it; false when nothing was read (empty, closed or failed).
    bool deliverChunk();
    void tryToFinish();
    void finish();
    void killGroup(int signal);

    QString m_commandLine;
    QString m_outputs;
    QString m_imageName;
    QString m_spawned;     // the program the last start ran or tried
    QByteArray m_partial;  // bytes of a character split across two reads
    pid_t m_child = -1;
    int m_readFd = -1;
    int m_pidFd = -1;
    std::unique_ptr<QSocketNotifier> m_readWatch;
    std::unique_ptr<QSocketNotifier> m_endWatch;
    QTimer m_treePoll;
    QTimer m_killTimer;
    bool m_running = false;
    bool m_started = false;
    bool m_collected = false;
    bool m_endSeen = false;  // the program's end was signalled; it is collected next
    bool m_pipeClosed = false;
    bool m_delivering = false;
    int m_exitStatus = -1;
    int m_endingSignal = 0;
    int m_startError = 0;
    QString m_startFailure;
    bool m_retriesPassingFailures = false;
};
