// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopNotice.h"

#include "notify/NotificationsClient.h"
#include "platform/BusSend.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace {

// A server may be started for the call, so the wait is generous.
constexpr int callTimeoutMs = 10000;

QDBusMessage call(const QDBusMessage& message)
{
    return bussend::callAndWait(QDBusConnection::sessionBus(), message, callTimeoutMs);
}

} // namespace

bool desktopnotice::show(const QString& summary, const QString& body)
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const QDBusMessage capabilities = call(NotificationsClient::capabilitiesCall());
    if (capabilities.type() != QDBusMessage::ReplyMessage)
        return false;
    NotificationsClient::Notification notice;
    notice.summary = summary;
    notice.body =
        NotificationsClient::bodyText(body, capabilities.arguments().value(0).toStringList());
    notice.hints = {{QStringLiteral("desktop-entry"), QStringLiteral("app.vantle.Vantle")},
                    {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    return call(NotificationsClient::notifyCall(notice)).type() == QDBusMessage::ReplyMessage;
}
