#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Tells whether this is the only running copy of the program at `programPath`. The first copy
// holds a lock file named after a hash of that path, in the private temporary folder, for as
// long as this object lives; a copy that ended without cleaning up (a crash) does not count,
// since the lock names a process that no longer runs.
class SingleInstance {
public:
    explicit SingleInstance(const QString& programPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when no other copy holds the lock (this one takes it), and also when the lock cannot
    // be checked at all: a broken temporary folder must not keep the program from starting.
    bool isFirst();

private:
    std::unique_ptr<QLockFile> m_lock;
};
