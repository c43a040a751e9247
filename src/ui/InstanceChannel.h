#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>

#include <functional>

// How a second start hands its files to the window already running: the running window listens
// on a local socket named like its instance lock, in the user's private lock folder (so no other
// user can connect), and a second start sends its paths there, one per line, and ends.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    // The running window's side: `receive` gets the paths of each second start.
    InstanceChannel(const QString& socketPath, std::function<void(const QStringList&)> receive,
                    QObject* parent = nullptr);
    bool isListening() const { return m_server.isListening(); }

    // The second start's side: sends `paths` (absolute) and waits until the window has them.
    static bool handOver(const QString& socketPath, const QStringList& paths, int timeoutMs = 5000);

private:
    QLocalServer m_server;
    std::function<void(const QStringList&)> m_receive;
};
