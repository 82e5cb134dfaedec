// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayPresence.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

// What XEmbed trays are made for; Qt asks for it in logical pixels, which
// doubles the icon's place at a scale of 2 and draws the icon in its middle.
constexpr int embeddedIconSize = 22;

} // namespace

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
    // The icon's window is made now when a tray is there, else when one comes.
    qApp->installEventFilter(this);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        VANTLE_DIAG(lcApp, QStringLiteral("No system tray yet; the icon appears when one starts"));
    m_icon->show();
}

TrayPresence::~TrayPresence() = default;

bool TrayPresence::eventFilter(QObject* watched, QEvent* event)
{
    // Qt's XEmbed icon window, sized in device pixels as the tray expects.
    if (event->type() == QEvent::Polish &&
        watched->objectName() == QLatin1String("QSystemTrayIconSys") && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        const QSize size =
            (QSizeF(embeddedIconSize, embeddedIconSize) / window->devicePixelRatioF()).toSize();
        window->setMinimumSize(size);
        window->resize(size);
    }
    return QObject::eventFilter(watched, event);
}
