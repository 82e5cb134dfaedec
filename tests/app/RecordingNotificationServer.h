// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <vector>

// A desktop notification server of the test's own on the private bus: it
// records what it is asked and invokes actions as a click on them would.
class RecordingNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint id, replacesId;
        QString summary, body;
        QStringList actions;
    };

    explicit RecordingNotificationServer(QStringList capabilities)
        : m_capabilities(std::move(capabilities)),
          m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName))
    {
        m_bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                             QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
        m_bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~RecordingNotificationServer() override
    {
        m_bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        m_bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(connectionName);
    }

    std::vector<Shown> shown;
    std::vector<uint> closed;

    // The user clicks an action (or, with "default", the notification).
    void click(uint id, const QString& key)
    {
        Q_EMIT ActionInvoked(id, key);
        Q_EMIT NotificationClosed(id, 2);
    }

public Q_SLOTS:
    QStringList GetCapabilities() { return m_capabilities; }
    uint Notify(const QString&, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap&, int)
    {
        const uint id = replacesId ? replacesId : ++m_lastId;
        shown.push_back({id, replacesId, summary, body, actions});
        return id;
    }
    void CloseNotification(uint id) { closed.push_back(id); }

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

private:
    static inline const QString connectionName = QStringLiteral("notification-server");
    QStringList m_capabilities;
    QDBusConnection m_bus;
    uint m_lastId = 0;
};
