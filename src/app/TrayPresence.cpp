// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayPresence.h"

#include "platform/Log.h"

#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

TrayPresence::TrayPresence(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>())
{
    m_icon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/vantle.svg")), this);
    m_icon->setToolTip(QStringLiteral("Vantle"));
    QAction* settings = m_menu->addAction(QStringLiteral("Settings…"));
    connect(settings, &QAction::triggered, this, &TrayPresence::settingsRequested);
    QAction* quit = m_menu->addAction(QStringLiteral("Quit Vantle"));
    connect(quit, &QAction::triggered, this, &TrayPresence::quitRequested);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger)
            Q_EMIT activated();
    });
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        VANTLE_DIAG(lcApp, QStringLiteral("No system tray yet; the icon appears when one starts"));
    m_icon->show();
}

TrayPresence::~TrayPresence() = default;
