#include "process/DOSOutputs.h"

#include "platform/ProcessTable.h"
#include "platform/Prompts.h"
#include "process/CommandLineText.h"
#include "process/EncoderImageName.h"
#include "process/clsWaitableTimer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

#include <memory>
#include <vector>

extern char** environ;

namespace {

int bytesWaiting(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

bool isProgramFile(const QString& candidate) {
    if (candidate.contains(QLatin1Char('/'))) {
        return QFileInfo(candidate).isFile();
    }
    return !QStandardPaths::findExecutable(candidate).isEmpty();
}

// Length of the longest prefix of `bytes` that ends on a whole UTF-8 character.
qsizetype completeUtf8Prefix(const QByteArray& bytes) {
    const qsizetype n = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= n; ++back) {
        const auto c = static_cast<unsigned char>(bytes.at(n - back));
        if ((c & 0xC0) == 0x80) {
            continue;  // continuation byte: look further back for the lead byte
        }
        const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return back < need ? n - back : n;
    }
    return n;
}

void showFailure(const QString& text) {
    Prompts::current().message(text, Prompts::applicationTitle(), Prompts::Icon::Critical);
}

}  // namespace

DOSOutputs::DOSOutputs(QObject* parent) : QObject(parent) {}

DOSOutputs::~DOSOutputs() = default;

bool DOSOutputs::IsProcessRunning(const QString& name) const {
    return ProcessTable::isImageRunning(name);
}

pid_t DOSOutputs::startProcess(int writeFd) {
    const auto split = CommandLineText::splitCommandLine(m_commandLine, isProgramFile);
    if (!split) {
        return -1;
    }
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(split->program));
    for (const QString& argument : split->arguments) {
        storage.push_back(argument.toUtf8());
    }
    std::vector<char*> argv;
    for (QByteArray& item : storage) {
        argv.push_back(item.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeFd, STDERR_FILENO);

    // The child starts with default signal handling and nothing blocked, whatever we changed.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = -1;
    const int result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

QString DOSOutputs::decodeChunk(const QByteArray& bytes) {
    // A character may be cut by the end of a read: keep its first bytes for the next chunk, so
    // every chunk is whole text and nothing of it appears twice.
    QByteArray data = m_partial + bytes;
    const qsizetype whole = completeUtf8Prefix(data);
    m_partial = data.mid(whole);
    data.truncate(whole);
    return QString::fromUtf8(data);
}

void DOSOutputs::collectChild(bool* collected) {
    if (*collected || m_child <= 0) {
        return;
    }
    int status = 0;
    const pid_t r = ::waitpid(m_child, &status, WNOHANG);
    if (r == m_child) {
        *collected = true;
        m_exitStatus = WIFEXITED(status)     ? WEXITSTATUS(status)
                       : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                             : -1;
    } else if (r < 0) {
        *collected = true;  // not ours to collect any more
    }
}

QString DOSOutputs::ExecuteCommand(const QString& CommandLine) {
    if (m_running) {
        return QString();  // one run at a time per runner
    }
    if (!CommandLine.isEmpty()) {
        m_commandLine = CommandLine;
    }
    if (m_commandLine.isEmpty()) {
        showFailure(QStringLiteral("Command Line empty"));
        return QString();
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        showFailure(QStringLiteral("CreatePipe failed. Error: ") + QString::number(errno));
        return QString();
    }
    const int readFd = fds[0];
    const int writeFd = fds[1];

    m_started = false;
    m_exitStatus = -1;
    m_child = startProcess(writeFd);
    if (m_child <= 0) {
        ::close(readFd);
        ::close(writeFd);
        showFailure(QStringLiteral("File or command not found"));
        return QString();
    }
    m_started = true;
    m_running = true;
    bool goOn = ::close(writeFd) == 0;
    m_outputs.clear();
    m_partial.clear();

    bool collected = false;
    std::unique_ptr<clsWaitableTimer> pause;

    // Learn of the program's end as it happens: the pause in progress is cut short, and the
    // passes that follow drain the pipe without pausing, so a finished file costs no idle time.
    bool programEnded = false;
    const int pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_child, 0));
    std::unique_ptr<QSocketNotifier> endWatch;
    if (pidFd >= 0) {
        endWatch = std::make_unique<QSocketNotifier>(pidFd, QSocketNotifier::Read);
        connect(endWatch.get(), &QSocketNotifier::activated, this, [&] {
            programEnded = true;
            endWatch->setEnabled(false);
            if (pause) {
                pause->Interrupt();
            }
        });
    }
    QByteArray buffer(kChunkBytes, Qt::Uninitialized);

    auto readChunk = [&]() -> bool {
        const int want = kChunkBytes - static_cast<int>(m_partial.size());
        const ssize_t n = ::read(readFd, buffer.data(), static_cast<size_t>(want));
        if (n <= 0) {
            return false;
        }
        const QString chunk = decodeChunk(buffer.left(n));
        if (!chunk.isEmpty()) {
            m_outputs += chunk;
            emit ReceiveOutputs(chunk);
        }
        return true;
    };

    while (goOn) {
        if (bytesWaiting(readFd) > 0) {
            goOn = readChunk();
        } else {
            // Our own program counts until it has been collected: right after the start it may
            // not carry its image name yet, and a run must never end while its program runs.
            collectChild(&collected);
            if (collected && !IsProcessRunning(EncoderImageName())) {
                goOn = false;
            }
        }
        QCoreApplication::processEvents();
        if (!goOn) {
            break;
        }
        // Once the program has ended, the passes that drain the pipe and collect it need no
        // pause; only another process of the same image name makes the run wait again.
        if ((programEnded && !collected) || (collected && bytesWaiting(readFd) > 0)) {
            continue;
        }
        if (!pause) {
            pause = std::make_unique<clsWaitableTimer>();
        }
        pause->Wait(kPauseMilliSeconds);
    }
    endWatch.reset();
    if (pidFd >= 0) {
        ::close(pidFd);
    }

    // The program may have written its last words between our look at the pipe and its end:
    // deliver them too, an error message above all.
    while (bytesWaiting(readFd) > 0 && readChunk()) {
    }
    if (!m_partial.isEmpty()) {
        const QString rest = QString::fromUtf8(m_partial);
        m_partial.clear();
        m_outputs += rest;
        emit ReceiveOutputs(rest);
    }

    ::close(readFd);
    m_child = -1;
    m_running = false;
    emit CommandOver();
    return m_outputs;
}
