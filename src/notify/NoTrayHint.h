// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notify/NotificationsClient.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

// Where no panel shows the tray icon (GNOME without an AppIndicator
// extension), the list of downloads is reached by starting Vantle again.
// Says so once per install: as a notification where a server takes one,
// else as a log line.
class NoTrayHint : public QObject {
    Q_OBJECT
public:
    // A panel that starts with the session has taken the icon by then.
    static constexpr std::chrono::seconds defaultWait{20};
    static const QString text;

    NoTrayHint(std::function<bool()> trayShown, QDBusConnection bus,
               std::chrono::milliseconds wait = defaultWait, QObject* parent = nullptr);

Q_SIGNALS:
    // The hint was given (or had been before): nothing more will be said.
    void done();

private:
    void check();

    std::function<bool()> m_trayShown;
    NotificationsClient m_client;
    QTimer m_timer;
};
