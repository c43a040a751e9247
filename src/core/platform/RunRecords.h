#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

// A run removes what it made (the empty file holding an output name, the encoder's ".part" beside
// it, the intermediate files of its work folders, its alias folders) when it ends. A run that
// dies -- killed, or the power went -- cannot, so everything it makes names its owner, and the
// next run removes what dead owners left behind: only files still exactly as they were left,
// never one that a user or a live run has taken over since.
//
// An owner is a process told by its pid and its start time, so a pid given to a newer process is
// not taken for it. It counts as alive while it runs or while an encoder it recorded runs: when
// the window is closed during a run the program ends at once, but its encoder goes on and
// publishes its file on its own.
namespace RunRecords {

struct ProcessId {
    pid_t pid = 0;
    qulonglong startTime = 0;  // clock ticks after boot, field 22 of /proc/<pid>/stat

    bool operator==(const ProcessId&) const = default;
};

// The process `pid` as it is now; pid 0 when there is none.
ProcessId processId(pid_t pid);
// This process.
ProcessId self();
// True while that very process runs (ended ones and zombies do not).
bool isAlive(const ProcessId& process);
// "<pid>-<start time>": how names of files and folders tell their owner.
QString tagOf(const ProcessId& process);

// `folder`/<kind>-<pid>-<start time> for this process (its work and alias folders). What this
// process leaves in `folder` is removed when it exits, unless an encoder of it still works.
QString ownPath(const QString& folder, const QString& kind);
// Looks at `folder` again when this process exits; a fallback private folder of its own goes
// then as a whole.
void sweepAtExit(const QString& folder);

// An output name held for a file, and the encoder's partial file beside it.
struct Reserved {
    QByteArray path;
    QByteArray partialPath;
    dev_t device = 0;
    ino_t inode = 0;  // of the empty file made under the name
};

// One file's record while it converts, "record-<owner>-<n>" in the private folder: the output
// name it reserved (with the reserved file's device and inode, and the encoder's partial file
// beside it) and the encoders that work for it. Written again at every change; removed when the
// name is kept or released. A record stays when its object goes while the encoder still works.
class Record {
public:
    // `folder` empty: the private folder in use when the record is first written.
    explicit Record(ProcessId owner = self(), QString folder = QString());

    void noteReserved(const Reserved& reserved);
    void noteEncoder(pid_t pid);
    void remove();

    // The record's file; empty before anything was noted.
    QString file() const;

private:
    void write();

    ProcessId m_owner;
    QString m_folder;
    QByteArray m_file;
    Reserved m_reserved;
    QList<ProcessId> m_encoders;
};

// Removes what dead owners left: their records' reserved files and partial files, their work
// and alias folders in `privateFolder`, and the fallback private folders
// (/tmp/vordana-<uid>-<owner>-XXXXXX) of dead owners.
void removeLeftovers(const QString& privateFolder);

}  // namespace RunRecords
