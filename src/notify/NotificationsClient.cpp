// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/NotificationsClient.h"

#include "platform/BusSend.h"
#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPromise>
#include <memory>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage methodCall(const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return message;
}

// The reply's value once it arrives, or `fallback` when the call failed.
template <typename T>
QFuture<T> answerOf(QDBusConnection& bus, const QDBusMessage& call, QObject* context, T fallback)
{
    auto promise = std::make_shared<QPromise<T>>();
    promise->start();
    auto* watcher = new QDBusPendingCallWatcher(bussend::callLater(bus, call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [promise, fallback, method = call.member()](QDBusPendingCallWatcher* w) {
                         const QDBusPendingReply<T> reply = *w;
                         if (reply.isError())
                             VANTLE_DIAG(lcApp, QStringLiteral("Notifications: %1 failed: %2")
                                                    .arg(method, reply.error().message()));
                         promise->addResult(reply.isError() ? fallback : reply.value());
                         promise->finish();
                         w->deleteLater();
                     });
    return promise->future();
}

} // namespace

NotificationsClient::NotificationsClient(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
    // Followed by name, so that a server that restarts is still heard.
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
}

QDBusMessage NotificationsClient::capabilitiesCall()
{
    return methodCall(QStringLiteral("GetCapabilities"));
}

QDBusMessage NotificationsClient::notifyCall(const Notification& notification)
{
    return methodCall(QStringLiteral("Notify"),
                      {QStringLiteral("Vantle"), notification.replacesId,
                       QStringLiteral("app.vantle.Vantle"), notification.summary, notification.body,
                       notification.actions, notification.hints, notification.expireTimeout});
}

QString NotificationsClient::bodyText(const QString& text, const QStringList& capabilities)
{
    return capabilities.contains(QStringLiteral("body-markup")) ? text.toHtmlEscaped() : text;
}

QFuture<QStringList> NotificationsClient::capabilities()
{
    return answerOf<QStringList>(m_bus, capabilitiesCall(), this, {});
}

QFuture<uint> NotificationsClient::notify(const Notification& notification)
{
    return answerOf<uint>(m_bus, notifyCall(notification), this, 0u);
}

void NotificationsClient::close(uint id)
{
    // A notification the server dropped already is no failure of ours.
    bussend::callLater(m_bus, methodCall(QStringLiteral("CloseNotification"), {id}));
}

void NotificationsClient::onActionInvoked(uint id, const QString& key)
{
    Q_EMIT actionInvoked(id, key);
}

void NotificationsClient::onClosed(uint id, uint reason)
{
    Q_EMIT closed(id, reason);
}
