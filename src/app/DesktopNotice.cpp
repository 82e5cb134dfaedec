// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopNotice.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

// A server may be started for the call, so the wait is generous.
constexpr int callTimeoutMs = 10000;

QDBusMessage call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, callTimeoutMs);
}

} // namespace

bool desktopnotice::show(const QString& summary, const QString& body)
{
    if (!QDBusConnection::sessionBus().isConnected())
        return false;
    const QDBusMessage capabilities = call(QStringLiteral("GetCapabilities"), {});
    if (capabilities.type() != QDBusMessage::ReplyMessage)
        return false;
    // A server that reads markup would take "<" or "&" in a file name as markup.
    const bool markup =
        capabilities.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("app.vantle.Vantle")},
                            {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}};
    const QDBusMessage reply =
        call(QStringLiteral("Notify"),
             {QStringLiteral("Vantle"), uint(0), QStringLiteral("app.vantle.Vantle"), summary,
              markup ? body.toHtmlEscaped() : body, QStringList(), hints, int(-1)});
    return reply.type() == QDBusMessage::ReplyMessage;
}
