// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A client of the desktop's notification server (org.freedesktop.Notifications
// on the session bus). Every call is asynchronous; a missing server answers
// with nothing rather than an error.
class NotificationsClient : public QObject {
    Q_OBJECT
public:
    struct Notification {
        uint replacesId = 0; // the notification this one takes the place of; 0: a new one
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label…
        QVariantMap hints;
        int expireTimeout = -1; // the server's own default
    };

    explicit NotificationsClient(QDBusConnection bus, QObject* parent = nullptr);

    // The calls themselves, for a caller that must wait for the answer (a
    // process without an event loop).
    static QDBusMessage capabilitiesCall();
    static QDBusMessage notifyCall(const Notification& notification);
    // `text` as a body: a server that reads markup would take "<" or "&" in a
    // file name as markup.
    static QString bodyText(const QString& text, const QStringList& capabilities);

    // What the server offers ("actions", "body-markup", …); empty when none answers.
    QFuture<QStringList> capabilities();
    // The id the server gave; 0 when no server took it.
    QFuture<uint> notify(const Notification& notification);
    void close(uint id);

Q_SIGNALS:
    void actionInvoked(uint id, const QString& key);
    void closed(uint id, uint reason);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& key);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
};
