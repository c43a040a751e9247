#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
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
    // when the program started. When it cannot start, the reason has been shown and no event
    // follows. Refused while a run is in progress. `program`, when given, is the program the
    // command line starts with: it is taken whole, even when a shorter blank-delimited prefix
    // of it happens to name a file too.
    bool start(const QString& CommandLine = QString(), const QString& program = QString());

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
    pid_t startProcess(int writeFd, const QString& program);
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
};
