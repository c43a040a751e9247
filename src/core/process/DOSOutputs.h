#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <sys/types.h>

// Runs one console program with its standard output and standard error captured through one
// pipe, and hands the text to its owner chunk by chunk while the program runs.
//
// ExecuteCommand returns only when the program has ended, and keeps the program responsive
// meanwhile: every pass of its read loop lets pending events through and pauses 50 ms with a
// pause that serves events too. Output is read only when bytes are known to be waiting, at
// most 1024 bytes per pass, so the loop never blocks on a silent program. The run ends when
// nothing waits in the pipe, the started program has ended, and no process of the image name
// EncoderImageName() runs any more: an encoder that hands work to another process of its own
// name keeps the run going.
class DOSOutputs : public QObject {
    Q_OBJECT

public:
    static constexpr int kChunkBytes = 1024;
    static constexpr int kPauseMilliSeconds = 50;

    explicit DOSOutputs(QObject* parent = nullptr);
    ~DOSOutputs() override;

    QString CommandLine() const { return m_commandLine; }
    void setCommandLine(const QString& DOSCommand) { m_commandLine = DOSCommand; }

    // Everything read during the current or last run.
    QString Outputs() const { return m_outputs; }

    // Runs `CommandLine` (or the stored command line when empty) and returns its output; an
    // empty text when the program did not start.
    QString ExecuteCommand(const QString& CommandLine = QString());

    // How the last run ended: whether the program started at all, and its exit status
    // (128 + signal number when a signal ended it; -1 when it could not be collected).
    bool lastRunStarted() const { return m_started; }
    int exitStatus() const { return m_exitStatus; }

signals:
    void ReceiveOutputs(const QString& CommandOutputs);
    void CommandOver();

private:
    bool IsProcessRunning(const QString& name) const;
    pid_t startProcess(int writeFd);
    QString decodeChunk(const QByteArray& bytes);
    void collectChild(bool* collected);

    QString m_commandLine;
    QString m_outputs;
    QByteArray m_partial;  // bytes of a character split across two reads
    pid_t m_child = -1;
    bool m_running = false;
    bool m_started = false;
    int m_exitStatus = -1;
};
