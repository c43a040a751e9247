#include "platform/RunRecords.h"

#include "platform/PrivateTempFolder.h"
#include "platform/ProcessTable.h"
#include "platform/UserFile.h"

#include <QFile>
#include <QSet>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <optional>
#include <utility>

namespace RunRecords {

namespace {

const QByteArray kTempRoot = QByteArrayLiteral("/tmp");

QList<QByteArray> namesIn(const QByteArray& folder) {
    QList<QByteArray> names;
    if (DIR* dir = ::opendir(folder.constData())) {
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names << name;
            }
        }
        ::closedir(dir);
    }
    return names;
}

// Removes `path` and, for a folder, everything in it; links are removed, never followed.
void removeTree(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return;
    }
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.constData());
        return;
    }
    for (const QByteArray& name : namesIn(path)) {
        removeTree(path + '/' + name);
    }
    ::rmdir(path.constData());
}

std::optional<ProcessId> idOf(const QByteArray& pid, const QByteArray& start) {
    bool pidOk = false;
    bool startOk = false;
    const ProcessId id{pid.toInt(&pidOk), start.toULongLong(&startOk)};
    if (!pidOk || !startOk || id.pid <= 0) {
        return std::nullopt;
    }
    return id;
}

// The owner of a fallback private folder, /tmp/vordana-<uid>-<pid>-<start>-XXXXXX; nothing for
// any other name, and for a folder that is not private and ours.
std::optional<ProcessId> fallbackOwner(const QByteArray& path) {
    if (!path.startsWith(kTempRoot + '/')) {
        return std::nullopt;
    }
    const QList<QByteArray> parts = path.mid(kTempRoot.size() + 1).split('-');
    if (parts.size() != 5 || parts.at(0) != "vordana" ||
        parts.at(1) != QByteArray::number(::getuid())) {
        return std::nullopt;
    }
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 0077) != 0) {
        return std::nullopt;
    }
    return idOf(parts.at(2), parts.at(3));
}

// A record as read back.
struct Recorded {
    QByteArray file;
    ProcessId owner;
    Reserved reserved;
    QList<ProcessId> encoders;
};

Recorded readRecord(const QByteArray& file, const ProcessId& owner) {
    Recorded record{file, owner, {}, {}};
    QFile in(QFile::decodeName(file));
    if (!in.open(QIODevice::ReadOnly)) {
        return record;
    }
    // A record cut short (the power went while it was written) names less, never wrong: only
    // whole lines count, and each line the record writes ends with its newline.
    QList<QByteArray> lines = in.read(64 * 1024).split('\n');
    lines.removeLast();
    for (const QByteArray& line : std::as_const(lines)) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 5 && fields.at(0) == "reserved") {
            record.reserved = {QByteArray::fromHex(fields.at(3)), QByteArray::fromHex(fields.at(4)),
                               static_cast<dev_t>(fields.at(1).toULongLong()),
                               static_cast<ino_t>(fields.at(2).toULongLong())};
        } else if (fields.size() == 3 && fields.at(0) == "encoder") {
            if (const auto encoder = idOf(fields.at(1), fields.at(2))) {
                record.encoders << *encoder;
            }
        }
    }
    return record;
}

void removeOwnRegularFile(const QByteArray& path) {
    struct stat st {};
    if (!path.isEmpty() && ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::getuid()) {
        ::unlink(path.constData());
    }
}

// The reserved name goes only while it still holds the very empty file the owner made; the
// partial file goes with it. A name that holds anything else is someone's file now.
void removeReservation(const Reserved& reserved) {
    struct stat st {};
    if (reserved.path.isEmpty() || ::lstat(reserved.path.constData(), &st) != 0 ||
        !S_ISREG(st.st_mode) || st.st_size != 0 || st.st_dev != reserved.device ||
        st.st_ino != reserved.inode || st.st_uid != ::getuid()) {
        return;
    }
    removeOwnRegularFile(reserved.partialPath);
    ::unlink(reserved.path.constData());
}

// One look at a private folder: its records, work folders and alias folders, by owner.
class Sweep {
public:
    // `gone`: a process to count as ended although it still runs (this one, at its exit).
    Sweep(const QByteArray& folder, std::optional<ProcessId> gone) : m_gone(gone) {
        for (const QByteArray& name : namesIn(folder)) {
            const QList<QByteArray> parts = name.split('-');
            const auto owner =
                parts.size() >= 3 ? idOf(parts.at(1), parts.at(2)) : std::optional<ProcessId>();
            if (!owner) {
                continue;
            }
            const QByteArray path = folder + '/' + name;
            if (parts.at(0) == "record" && parts.size() == 4) {
                m_records << readRecord(path, *owner);
            } else if ((parts.at(0) == "work" && parts.size() == 4) ||
                       (parts.at(0) == "names" && parts.size() == 3)) {
                m_folders.emplace_back(path, *owner);
            }
        }
    }

    bool ownerAlive(const ProcessId& owner) {
        const auto key = std::make_pair(owner.pid, owner.startTime);
        if (const auto known = m_alive.find(key); known != m_alive.end()) {
            return known->second;
        }
        bool alive = owner != m_gone && isAlive(owner);
        for (const Recorded& record : m_records) {
            for (const ProcessId& encoder : record.encoders) {
                alive = alive || (record.owner == owner && isAlive(encoder));
            }
        }
        m_alive[key] = alive;
        return alive;
    }

    void removeDeadOwners() {
        for (const Recorded& record : m_records) {
            if (!ownerAlive(record.owner)) {
                removeReservation(record.reserved);
                ::unlink(record.file.constData());
            }
        }
        for (const auto& [path, owner] : m_folders) {
            if (!ownerAlive(owner)) {
                removeTree(path);
            }
        }
    }

private:
    std::optional<ProcessId> m_gone;
    QList<Recorded> m_records;
    std::vector<std::pair<QByteArray, ProcessId>> m_folders;
    std::map<std::pair<pid_t, qulonglong>, bool> m_alive;
};

void sweepFolder(const QByteArray& folder, std::optional<ProcessId> gone) {
    Sweep sweep(folder, gone);
    sweep.removeDeadOwners();
    // A fallback folder serves its owner alone: it goes as a whole with it.
    if (const auto owner = fallbackOwner(folder); owner && !sweep.ownerAlive(*owner)) {
        removeTree(folder);
    }
}

QStringList& exitFolders() {
    static QStringList folders;
    return folders;
}

void sweepAtExitNow() {
    for (const QString& folder : exitFolders()) {
        sweepFolder(QFile::encodeName(folder), self());
    }
}

}  // namespace

ProcessId processId(pid_t pid) {
    const auto process = ProcessTable::startOf(pid);
    return process ? ProcessId{pid, process->startTime} : ProcessId{};
}

ProcessId self() {
    static const ProcessId me = processId(::getpid());
    return me;
}

bool isAlive(const ProcessId& process) {
    const auto now = ProcessTable::startOf(process.pid);
    return now && now->startTime == process.startTime && !now->ended;
}

QString tagOf(const ProcessId& process) {
    return QStringLiteral("%1-%2").arg(process.pid).arg(process.startTime);
}

QString ownPath(const QString& folder, const QString& kind) {
    sweepAtExit(folder);
    return folder + QLatin1Char('/') + kind + QLatin1Char('-') + tagOf(self());
}

void sweepAtExit(const QString& folder) {
    // The list is made before the exit function is registered, so it still exists when that
    // function runs.
    QStringList& folders = exitFolders();
    static const bool registered = std::atexit(sweepAtExitNow) == 0;
    if (registered && !folder.isEmpty() && !folders.contains(folder)) {
        folders << folder;
    }
}

Record::Record(ProcessId owner, QString folder) : m_owner(owner), m_folder(std::move(folder)) {}

void Record::noteReserved(const Reserved& reserved) {
    m_reserved = reserved;
    m_encoders.clear();
    write();
}

void Record::noteEncoder(pid_t pid) {
    const ProcessId encoder = processId(pid);
    if (encoder.pid > 0) {
        m_encoders << encoder;
        write();
    }
}

void Record::remove() {
    if (!m_file.isEmpty()) {
        ::unlink(m_file.constData());
    }
    m_file.clear();
    m_reserved = Reserved();
    m_encoders.clear();
}

QString Record::file() const {
    return QFile::decodeName(m_file);
}

void Record::write() {
    if (m_file.isEmpty()) {
        const QString folder = m_folder.isEmpty() ? PrivateTempFolder::ensure() : m_folder;
        if (folder.isEmpty()) {
            return;
        }
        if (m_owner == self()) {
            sweepAtExit(folder);
        }
        static int serial = 0;
        m_file = QFile::encodeName(folder + QStringLiteral("/record-") + tagOf(m_owner) +
                                   QLatin1Char('-') + QString::number(++serial));
    }
    QByteArray text;
    if (!m_reserved.path.isEmpty()) {
        text += "reserved " + QByteArray::number(static_cast<qulonglong>(m_reserved.device)) + ' ' +
                QByteArray::number(static_cast<qulonglong>(m_reserved.inode)) + ' ' +
                m_reserved.path.toHex() + ' ' + m_reserved.partialPath.toHex() + '\n';
    }
    for (const ProcessId& encoder : m_encoders) {
        text += "encoder " + QByteArray::number(encoder.pid) + ' ' +
                QByteArray::number(encoder.startTime) + '\n';
    }
    const int fd =
        ::open(m_file.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    writeFully(fd, text);
    ::close(fd);
}

void removeLeftovers(const QString& privateFolder) {
    const QByteArray folder = QFile::encodeName(privateFolder);
    if (!folder.isEmpty()) {
        sweepFolder(folder, std::nullopt);
    }
    const QByteArray prefix = "vordana-" + QByteArray::number(::getuid()) + '-';
    for (const QByteArray& name : namesIn(kTempRoot)) {
        const QByteArray path = kTempRoot + '/' + name;
        if (name.startsWith(prefix) && path != folder && fallbackOwner(path)) {
            sweepFolder(path, std::nullopt);
        }
    }
}

}  // namespace RunRecords
