#include "DesktopNotifier.h"

#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <utility>

namespace {

// Asking for the session bus without an address makes libdbus try to start one of its own
// (dbus-launch --autolaunch), which waits; without an address and without the usual socket
// of a user session there is no bus to ask.
bool sessionBusExpected() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return true;
    }
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

}  // namespace

QString DesktopNotifier::runText(const QList<FileResult>& results) {
    const auto count = [&results](FileStatus status) {
        return std::count_if(results.cbegin(), results.cend(), [status](const FileResult& result) {
            return result.status == status;
        });
    };
    QString text = QStringLiteral("Vordana: %1 converted, %2 failed")
                       .arg(count(FileStatus::Converted))
                       .arg(count(FileStatus::Failed));
    for (const auto& [status, word] : {std::pair{FileStatus::Cancelled, "cancelled"},
                                       std::pair{FileStatus::Skipped, "skipped"}}) {
        if (const auto n = count(status); n > 0) {
            text += QStringLiteral(", %1 ").arg(n) + QLatin1String(word);
        }
    }
    return text;
}

void DesktopNotifier::runEnded(const QList<FileResult>& results) {
    if (sessionBusExpected()) {
        DesktopNotifier(QDBusConnection::sessionBus()).notify(runText(results));
    }
}

void DesktopNotifier::notify(const QString& text) const {
    if (!m_bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout):
    // a new notification with the installed icon, tied to the menu entry, for the server's
    // usual time.
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.vordana.Vordana")}};
    call << QStringLiteral("Vordana") << 0u << QStringLiteral("vordana") << text << QString()
         << QStringList() << hints << -1;
    // The answer (the notification's number) is of no use: send, not call.
    m_bus.send(call);
}
