// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/NoTrayHint.h"

#include "platform/AppSettings.h"
#include "platform/Log.h"

const QString NoTrayHint::text =
    QStringLiteral("No panel shows Vantle's icon. To see your downloads, open Vantle again from "
                   "the application menu, or choose its “Show Downloads” action.");

NoTrayHint::NoTrayHint(std::function<bool()> trayShown, QDBusConnection bus,
                       std::chrono::milliseconds wait, QObject* parent)
    : QObject(parent), m_trayShown(std::move(trayShown)), m_client(std::move(bus))
{
    if (settings::readBoolean(settings::noTrayHintGiven))
        return;
    m_timer.setSingleShot(true);
    m_timer.setInterval(wait);
    connect(&m_timer, &QTimer::timeout, this, &NoTrayHint::check);
    m_timer.start();
}

void NoTrayHint::check()
{
    if (m_trayShown())
        return;
    NotificationsClient::Notification notification;
    notification.summary = QStringLiteral("Vantle is running");
    notification.body = text;
    m_client.notify(notification).then(this, [this](uint id) {
        if (id == 0)
            qCInfo(lcApp).noquote() << text;
        settings::write(settings::noTrayHintGiven, true);
        Q_EMIT done();
    });
}
