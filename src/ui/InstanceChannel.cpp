#include "InstanceChannel.h"

#include "filelist/NativeNames.h"
#include "text/PrintableText.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>

#include <climits>
#include <cstdio>

namespace {

// Every path and the end of the list end in a line feed; a path holding one is not sent.
constexpr char kEnd[] = "\n";
// Thousands of files fit; a sender that goes on beyond this is not a second start of ours.
constexpr qint64 kMaxMessageBytes = 16 * 1024 * 1024;

void note(const QString& text) {
    std::fprintf(stderr, "vordana: %s\n", printable(text).toUtf8().constData());
}

// The paths of a message that name something there; anything else is said and dropped.
QStringList existingPaths(const QByteArray& message) {
    QStringList paths;
    for (const QByteArray& line : message.split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        if (line.size() >= PATH_MAX) {
            note(QStringLiteral("a handed-over path of %1 bytes was dropped").arg(line.size()));
            continue;
        }
        // The sender's aliases go when it ends: a name that is not UTF-8 gets one of ours.
        struct stat st {};
        const QString path =
            ::stat(line.constData(), &st) == 0 ? NativeNames::pathFor(line) : QString();
        if (path.isEmpty()) {
            note(QStringLiteral("a handed-over path was dropped, nothing is there: %1")
                     .arg(NativeNames::readableName(line)));
        } else {
            paths << path;
        }
    }
    return paths;
}

}  // namespace

InstanceChannel::InstanceChannel(const QString& socketPath,
                                 std::function<void(const QStringList&)> receive, QObject* parent)
    : QObject(parent), m_receive(std::move(receive)) {
    // A socket left by a copy that crashed would stop us from listening; we hold the instance
    // lock, so no live copy uses it.
    QLocalServer::removeServer(socketPath);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(socketPath);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                // The list ends with an empty line; until then it keeps coming.
                if (socket->bytesAvailable() > kMaxMessageBytes) {
                    note(QStringLiteral("a hand-over longer than %1 bytes was refused")
                             .arg(kMaxMessageBytes));
                    socket->abort();
                    return;
                }
                if (!socket->peek(socket->bytesAvailable()).endsWith("\n\n")) {
                    return;
                }
                const QStringList paths = existingPaths(socket->readAll());
                socket->write("ok\n");
                socket->flush();
                m_receive(paths);
            });
        }
    });
}

bool InstanceChannel::handOver(const QString& socketPath, const QStringList& paths, int timeoutMs) {
    // The running window may have taken its lock a moment before it listens: try again for a
    // while.
    QLocalSocket socket;
    QElapsedTimer clock;
    clock.start();
    socket.connectToServer(socketPath);
    while (!socket.waitForConnected(100)) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QThread::msleep(100);
        socket.connectToServer(socketPath);
    }
    QByteArray message;
    for (const QString& path : paths) {
        const QByteArray bytes = NativeNames::nativePath(path);
        if (!bytes.contains('\n')) {
            message += bytes + kEnd;
        }
    }
    message += kEnd;
    socket.write(message);
    return socket.waitForBytesWritten(timeoutMs) && socket.waitForReadyRead(timeoutMs) &&
           socket.readAll().startsWith("ok");
}
