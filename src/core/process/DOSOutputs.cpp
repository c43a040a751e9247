#include "process/DOSOutputs.h"

#include "platform/ProcessTable.h"
#include "platform/Prompts.h"
#include "process/CommandLineText.h"
#include "process/EncoderImageName.h"
#include "process/RunnerLog.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <optional>
#include <vector>

extern char** environ;

namespace {

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

std::function<int()> s_spawnFault;

}  // namespace

Q_LOGGING_CATEGORY(lcRunner, "vordana.runner", QtInfoMsg)

void DOSOutputs::setSpawnFault(std::function<int()> fault) {
    s_spawnFault = std::move(fault);
}

bool DOSOutputs::isPassingStartError(int error) {
    return error == EMFILE || error == ENFILE || error == EAGAIN;
}

bool DOSOutputs::failToStart(int error, const QString& text) {
    qCDebug(lcRunner).noquote() << "cannot start:" << text << "(" << std::strerror(error) << ")";
    m_startError = error;
    m_startFailure = text;
    if (!m_retriesPassingFailures || !isPassingStartError(error)) {
        Prompts::current().message(text, Prompts::applicationTitle(), Prompts::Icon::Critical);
    }
    return false;
}

DOSOutputs::DOSOutputs(QObject* parent) : QObject(parent) {
    // Descendants that outlive the program must stay in our tree, or the end test could not
    // see them (and they would become init's).
    ProcessTable::becomeChildSubreaper();
    m_treePoll.setInterval(kTreePollMilliSeconds);
    connect(&m_treePoll, &QTimer::timeout, this, &DOSOutputs::tryToFinish);
    m_killTimer.setSingleShot(true);
    connect(&m_killTimer, &QTimer::timeout, this, [this] { killGroup(SIGKILL); });
}

DOSOutputs::~DOSOutputs() {
    m_readWatch.reset();
    m_endWatch.reset();
    if (m_readFd >= 0) {
        ::close(m_readFd);
    }
    if (m_pidFd >= 0) {
        ::close(m_pidFd);
    }
}

int DOSOutputs::startProcess(int writeFd, const QString& program) {
    std::optional<CommandLineText::SplitCommand> split;
    if (!program.isEmpty() &&
        (m_commandLine == program || m_commandLine.startsWith(program + QLatin1Char(' ')))) {
        split = CommandLineText::SplitCommand{
            program, CommandLineText::splitArguments(m_commandLine.mid(program.size()))};
    } else {
        split = CommandLineText::splitCommandLine(m_commandLine, isProgramFile);
    }
    if (!split) {
        return ENOENT;
    }
    m_spawned = split->program;
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(split->program));
    for (const QString& argument : split->arguments) {
        storage.push_back(QFile::encodeName(argument));
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

    // The child starts with default signal handling and nothing blocked, whatever we changed,
    // in a process group of its own: the group is how its tree is found and ended, and a
    // Ctrl-C at our terminal reaches us (who stop it cleanly), not it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(
        &attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    pid_t pid = -1;
    int result = s_spawnFault ? s_spawnFault() : 0;
    if (result == 0) {
        result = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    m_child = result == 0 ? pid : -1;
    return result;
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

bool DOSOutputs::start(const QString& CommandLine, const QString& program) {
    if (m_running) {
        return false;  // one run at a time per runner
    }
    if (!CommandLine.isEmpty()) {
        m_commandLine = CommandLine;
    }
    m_started = false;
    m_exitStatus = -1;
    m_endingSignal = 0;
    m_startError = 0;
    m_startFailure.clear();
    if (m_commandLine.isEmpty()) {
        return failToStart(EINVAL, QStringLiteral("Command Line empty"));
    }

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        const int error = errno;
        return failToStart(error,
                           QStringLiteral("CreatePipe failed. Error: ") + QString::number(error));
    }
    m_spawned = program;
    const int error = startProcess(fds[1], program);
    ::close(fds[1]);
    if (error != 0) {
        ::close(fds[0]);
        // A program that is not there keeps the plain words; anything else says what happened.
        return failToStart(error,
                           error == ENOENT
                               ? QStringLiteral("File or command not found")
                               : QStringLiteral("Cannot start %1: %2")
                                     .arg(m_spawned, QString::fromLocal8Bit(std::strerror(error))));
    }
    qCDebug(lcRunner).noquote() << "started" << m_child << m_commandLine;
    m_imageName = EncoderImageName();
    m_started = true;
    m_running = true;
    m_collected = false;
    m_endSeen = false;
    m_pipeClosed = false;
    m_outputs.clear();
    m_partial.clear();

    m_readFd = fds[0];
    ::fcntl(m_readFd, F_SETFL, ::fcntl(m_readFd, F_GETFL) | O_NONBLOCK);
    m_readWatch = std::make_unique<QSocketNotifier>(m_readFd, QSocketNotifier::Read);
    connect(m_readWatch.get(), &QSocketNotifier::activated, this, &DOSOutputs::onReadable);

    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, m_child, 0));
    if (m_pidFd >= 0) {
        m_endWatch = std::make_unique<QSocketNotifier>(m_pidFd, QSocketNotifier::Read);
        connect(m_endWatch.get(), &QSocketNotifier::activated, this, &DOSOutputs::onProgramEnded);
    } else {
        m_endSeen = true;  // no pidfd: look for the end now and then
        m_treePoll.start();
    }
    return true;
}

QString DOSOutputs::ExecuteCommand(const QString& CommandLine, const QString& program) {
    if (!start(CommandLine, program)) {
        return QString();
    }
    QEventLoop loop;
    connect(this, &DOSOutputs::CommandOver, &loop, &QEventLoop::quit);
    if (m_running) {
        loop.exec();
    }
    return m_outputs;
}

void DOSOutputs::terminate(std::chrono::milliseconds grace) {
    if (!m_running) {
        return;
    }
    killGroup(SIGTERM);
    m_killTimer.start(static_cast<int>(grace.count()));
}

void DOSOutputs::killGroup(int signal) {
    if (!m_running || m_child <= 0) {
        return;
    }
    ::kill(-m_child, signal);
    if (!m_collected) {
        ::kill(m_child, signal);  // should it have left the group
    }
}

bool DOSOutputs::deliverChunk() {
    if (m_pipeClosed) {
        return false;
    }
    char buffer[kChunkBytes];
    const auto want = static_cast<size_t>(kChunkBytes - m_partial.size());
    const ssize_t n = ::read(m_readFd, buffer, want);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return false;
    }
    if (n <= 0) {
        // Every writer has closed it (or the read failed): nothing more will come.
        m_pipeClosed = true;
        if (m_readWatch) {
            m_readWatch->setEnabled(false);
        }
        return false;
    }
    const QString chunk = decodeChunk(QByteArray(buffer, n));
    if (!chunk.isEmpty()) {
        m_outputs += chunk;
        // A handler may let events through (the window does, per character): the pipe must not
        // be read again, nor the run ended, until it returns.
        const bool watching = m_readWatch && m_readWatch->isEnabled();
        if (watching) {
            m_readWatch->setEnabled(false);
        }
        m_delivering = true;
        emit ReceiveOutputs(chunk);
        m_delivering = false;
        if (watching && m_readWatch && !m_pipeClosed) {
            m_readWatch->setEnabled(true);
        }
    }
    return true;
}

void DOSOutputs::onReadable() {
    if (m_delivering) {
        return;
    }
    deliverChunk();
    if (m_endSeen) {
        tryToFinish();  // the end came while a chunk was being handled
    }
}

void DOSOutputs::collectProgram() {
    if (m_collected || m_child <= 0) {
        return;
    }
    int status = 0;
    const pid_t r = ::waitpid(m_child, &status, WNOHANG);
    if (r == m_child) {
        m_collected = true;
        if (WIFEXITED(status)) {
            m_exitStatus = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            m_endingSignal = WTERMSIG(status);
            m_exitStatus = 128 + m_endingSignal;
        }
    } else if (r < 0) {
        m_collected = true;  // not ours to collect any more
    }
}

void DOSOutputs::onProgramEnded() {
    if (m_endWatch) {
        m_endWatch->setEnabled(false);
    }
    m_endSeen = true;
    tryToFinish();
}

void DOSOutputs::tryToFinish() {
    if (!m_running || m_delivering) {
        return;
    }
    collectProgram();
    if (!m_collected) {
        return;
    }
    // The tree is looked at first and the pipe drained after: whatever wrote its last words and
    // ended just before the look has them in the pipe now. Usually the whole group is gone by
    // now (the encoder collects its own children), and one signal-less kill() says so without
    // reading the process table.
    const bool groupLeft = ::kill(-m_child, 0) == 0 || errno == EPERM;
    bool treeRuns = false;
    if (groupLeft) {
        ProcessTable::reapAdoptedMembers(m_child);
        treeRuns = ProcessTable::isImageRunningInGroup(m_imageName, m_child);
    }
    // The program may have written its last words just before it ended: deliver everything
    // waiting in the pipe before the end is decided -- an error message above all.
    while (m_running && !m_delivering && deliverChunk()) {
    }
    if (!m_running || m_delivering) {
        return;
    }
    if (treeRuns) {
        if (!m_treePoll.isActive()) {
            m_treePoll.start();
        }
        return;
    }
    finish();
}

void DOSOutputs::finish() {
    m_treePoll.stop();
    m_killTimer.stop();
    m_readWatch.reset();
    m_endWatch.reset();
    if (!m_partial.isEmpty()) {
        const QString rest = QString::fromUtf8(m_partial);
        m_partial.clear();
        m_outputs += rest;
        emit ReceiveOutputs(rest);
    }
    ::close(m_readFd);
    m_readFd = -1;
    if (m_pidFd >= 0) {
        ::close(m_pidFd);
        m_pidFd = -1;
    }
    qCDebug(lcRunner).noquote() << "ended" << m_child << "with status" << m_exitStatus
                                << (m_endingSignal != 0
                                        ? QStringLiteral("(signal %1)").arg(m_endingSignal)
                                        : QString());
    m_child = -1;
    m_running = false;
    emit CommandOver();
}
