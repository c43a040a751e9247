#pragma once

#include "conversion/ConversionRun.h"

#include <QDBusConnection>
#include <QList>
#include <QString>

// Tells the desktop that a run has ended, through the freedesktop notification service
// (org.freedesktop.Notifications.Notify on the session bus). The call goes out without waiting
// for its answer, so neither a missing bus nor a missing service can hold the window, and
// neither is reported.
class DesktopNotifier {
public:
    explicit DesktopNotifier(const QDBusConnection& bus) : m_bus(bus) {}

    // "Vordana: 12 converted, 1 failed", with ", 2 cancelled" (and ", 3 skipped") only when
    // some were.
    static QString runText(const QList<FileResult>& results);
    // The text of the run's results over the user's session bus, when there is one.
    static void runEnded(const QList<FileResult>& results);

    void notify(const QString& text) const;

private:
    QDBusConnection m_bus;
};
