#include "DesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");

// A bus of the test's own: dbus-daemon listening in a temporary folder, with no services it
// could start, so a notification daemon of the machine never answers in the fake's place.
class PrivateBus {
public:
    bool start() {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            return false;
        }
        file.write(QStringLiteral("<busconfig><type>session</type>"
                                  "<listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                                  "<policy context=\"default\">"
                                  "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                  "</policy></busconfig>")
                       .arg(m_dir.path())
                       .toUtf8());
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        if (!m_daemon.waitForReadyRead(10000)) {
            return false;
        }
        address = QString::fromUtf8(m_daemon.readLine().trimmed());
        return !address.isEmpty();
    }
    ~PrivateBus() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    QString folder() const { return m_dir.path(); }

    QString address;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// The service's side: keeps the arguments of every Notify and never answers, as a server that
// hangs would.
class FakeNotifications : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.interface() != kService || message.member() != QStringLiteral("Notify")) {
            return false;
        }
        received << message.arguments();
        return true;
    }

    QList<QVariantList> received;
};

FileResult withStatus(FileStatus status) {
    FileResult result;
    result.status = status;
    return result;
}

}  // namespace

TEST(DesktopNotifierTest, TheTextCountsTheRunsResults) {
    using S = FileStatus;
    const struct {
        QList<S> statuses;
        const char* text;
    } cases[] = {
        {{}, "Vordana: 0 converted, 0 failed"},
        {{S::Converted}, "Vordana: 1 converted, 0 failed"},
        {QList<S>(12, S::Converted) << S::Failed, "Vordana: 12 converted, 1 failed"},
        {{S::Cancelled, S::Converted, S::Cancelled}, "Vordana: 1 converted, 0 failed, 2 cancelled"},
        {{S::Skipped, S::Failed, S::Cancelled, S::Failed},
         "Vordana: 0 converted, 2 failed, 1 cancelled, 1 skipped"},
    };
    for (const auto& c : cases) {
        QList<FileResult> results;
        for (S status : c.statuses) {
            results << withStatus(status);
        }
        EXPECT_EQ(DesktopNotifier::runText(results).toStdString(), c.text);
    }
}

TEST(DesktopNotifierTest, TheServiceGetsTheTextAndNothingWaitsForServiceOrBus) {
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/deps.sh installs it)";
    }
    PrivateBus bus;
    ASSERT_TRUE(bus.start());
    QDBusConnection sender = QDBusConnection::connectToBus(bus.address, QStringLiteral("sender"));
    ASSERT_TRUE(sender.isConnected());

    // Neither a bus without the service nor no bus at all holds the caller.
    QElapsedTimer timer;
    timer.start();
    DesktopNotifier(sender).notify(QStringLiteral("nobody listens"));
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + bus.folder() + QStringLiteral("/none"),
        QStringLiteral("none"));
    EXPECT_FALSE(none.isConnected());
    DesktopNotifier(none).notify(QStringLiteral("no bus"));
    EXPECT_LT(timer.elapsed(), 1000);
    // A round trip to the bus: the first notification has been turned away by now.
    EXPECT_FALSE(sender.interface()->isServiceRegistered(kService).value());

    QDBusConnection service = QDBusConnection::connectToBus(bus.address, QStringLiteral("service"));
    FakeNotifications fake;
    ASSERT_TRUE(
        service.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &fake));
    ASSERT_TRUE(service.registerService(kService));
    // The service that never answers does not hold the caller either.
    timer.restart();
    DesktopNotifier(sender).notify(QStringLiteral("Vordana: 12 converted, 1 failed"));
    EXPECT_LT(timer.elapsed(), 1000);
    for (QDeadlineTimer deadline(10000); fake.received.isEmpty() && !deadline.hasExpired();) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    ASSERT_EQ(fake.received.size(), 1);
    const QVariantList& args = fake.received.front();
    ASSERT_EQ(args.size(), 8);
    EXPECT_EQ(args[0].toString().toStdString(), "Vordana");
    EXPECT_EQ(args[2].toString().toStdString(), "vordana");
    EXPECT_EQ(args[3].toString().toStdString(), "Vordana: 12 converted, 1 failed");
    // The hints come as a D-Bus argument the object's owner reads itself.
    const auto hints = qdbus_cast<QVariantMap>(args[6]);
    EXPECT_EQ(hints.value(QStringLiteral("desktop-entry")).toString().toStdString(),
              "org.vordana.Vordana");

    service.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("sender"));
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}
