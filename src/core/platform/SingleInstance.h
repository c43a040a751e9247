#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Tells whether this is the only running copy of the program at `programPath`. The first copy
// holds a lock file named after a hash of that path for as long as this object lives; a copy
// that ended without cleaning up (a crash) does not count, since the lock names a process that
// no longer runs.
//
// The lock lives in a folder of the user's that neither the environment nor another user can
// move or plant: /run/user/<uid>/vordana when the system keeps such a folder, else the home
// folder's .cache/vordana (from the password database, not $HOME). Only when neither can be
// used does it fall back to the private temporary folder, and says so.
class SingleInstance {
public:
    explicit SingleInstance(const QString& programPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when no other copy holds the lock (this one takes it), and also when the lock cannot
    // be checked at all: a broken folder must not keep the program from starting.
    bool isFirst();

    // The name both the lock and a copy's listening socket are keyed by (a hash of the path).
    const QString& key() const { return m_key; }
    // Where the running copy listens for the files of a second start: beside the lock.
    QString socketPath() const { return m_socketPath; }
    // The user's private folder the lock lives in (empty when there is none).
    static QString lockFolder();

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_key;
    QString m_socketPath;
};
