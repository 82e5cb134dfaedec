// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayPresence.h"

#include "app/StatusNotifierItem.h"
#include "platform/Log.h"

#include <QCursor>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>

namespace {

// What XEmbed trays are made for; Qt asks for it in logical pixels, which
// doubles the icon's place at a scale of 2 and draws the icon in its middle.
constexpr int embeddedIconSize = 22;

// A panel gives the click in the screen's device pixels; windows are placed
// in logical ones. A screen keeps its top left in device pixels. A point off
// every screen is taken to the nearest edge of the primary one.
std::optional<QPoint> logicalPoint(QPoint native)
{
    if (native.isNull()) // the panel did not say
        return std::nullopt;
    const auto deviceRect = [](const QScreen* screen) {
        const QRect logical = screen->geometry();
        return QRect(logical.topLeft(), logical.size() * screen->devicePixelRatio());
    };
    const QList<QScreen*> screens = QGuiApplication::screens();
    auto it = std::find_if(screens.begin(), screens.end(), [&](const QScreen* screen) {
        return deviceRect(screen).contains(native);
    });
    const QScreen* screen = it != screens.end() ? *it : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    const QRect device = deviceRect(screen);
    const QPoint inside(std::clamp(native.x(), device.left(), device.right()),
                        std::clamp(native.y(), device.top(), device.bottom()));
    return device.topLeft() + (inside - device.topLeft()) / screen->devicePixelRatio();
}

} // namespace

TrayPresence::TrayPresence(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_icon(QStringLiteral(":/icons/vantle.svg")),
      m_menu(std::make_unique<QMenu>())
{
    QAction* settings = m_menu->addAction(QStringLiteral("Settings…"));
    connect(settings, &QAction::triggered, this, &TrayPresence::settingsRequested);
    QAction* quit = m_menu->addAction(QStringLiteral("Quit Vantle"));
    connect(quit, &QAction::triggered, this, &TrayPresence::quitRequested);

    // Followed before it is looked for, so that no appearance in between is missed.
    m_watcher.setConnection(m_bus);
    m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    m_watcher.addWatchedService(sni::watcherService);
    // A watcher that replaces another takes the name over without a gap.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                if (newOwner.isEmpty())
                    useEmbeddedIcon();
                else
                    useStatusNotifierItem();
            });
    if (hasWatcher())
        useStatusNotifierItem();
    else
        useEmbeddedIcon();
}

TrayPresence::~TrayPresence() = default;

bool TrayPresence::hasWatcher() const
{
    const QDBusConnectionInterface* daemon = m_bus.isConnected() ? m_bus.interface() : nullptr;
    return daemon && daemon->isServiceRegistered(sni::watcherService).value();
}

std::optional<QRect> TrayPresence::iconGeometry() const
{
    if (!m_embedded || !m_embedded->geometry().isValid())
        return std::nullopt;
    return m_embedded->geometry();
}

bool TrayPresence::isShown() const
{
    return m_item || (m_embedded && QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayPresence::useStatusNotifierItem()
{
    if (!m_item) {
        const QString id = QGuiApplication::desktopFileName();
        auto item = std::make_unique<StatusNotifierItem>(
            m_bus, StatusNotifierItem::Appearance{id, QStringLiteral("Vantle"), id, m_icon},
            *m_menu);
        if (QString error; !item->publish(&error)) {
            VANTLE_DIAG(lcApp,
                        QStringLiteral("Tray: cannot offer the icon to the panel: ") + error);
            return;
        }
        connect(item.get(), &StatusNotifierItem::activated, this, [this](QPoint native) {
            const auto at = logicalPoint(native);
            Q_EMIT activated(at ? std::optional(QRect(*at, QSize(1, 1))) : std::nullopt);
        });
        connect(item.get(), &StatusNotifierItem::contextMenuRequested, this, [this](QPoint native) {
            m_menu->popup(logicalPoint(native).value_or(QCursor::pos()));
        });
        m_item = std::move(item);
    }
    // Both at once would show two icons where the panel also hosts XEmbed ones.
    if (m_embedded) {
        qApp->removeEventFilter(this);
        m_embedded.reset();
    }
    m_item->registerWithWatcher();
}

void TrayPresence::useEmbeddedIcon()
{
    // Qt docks its icon over XEmbed only if no watcher is on the bus when it
    // makes its first one: it picks the protocol once per process. A panel
    // that restarted at once is announced next.
    if (hasWatcher())
        return;
    m_item.reset();
    if (m_embedded)
        return;
    m_embedded = std::make_unique<QSystemTrayIcon>(m_icon);
    m_embedded->setToolTip(QStringLiteral("Vantle"));
    m_embedded->setContextMenu(m_menu.get());
    connect(m_embedded.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    Q_EMIT activated(iconGeometry());
            });
    // The icon's window is made now when a tray is there, else when one comes.
    qApp->installEventFilter(this);
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        VANTLE_DIAG(lcApp, QStringLiteral("No system tray yet; the icon appears when one starts"));
    m_embedded->show();
}

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
