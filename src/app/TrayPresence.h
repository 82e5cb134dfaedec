// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QIcon>
#include <QObject>
#include <QRect>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class StatusNotifierItem;

// The program's presence in the panel: a tray icon with a context menu,
// through whichever protocol the panel of the moment speaks. While an
// org.kde.StatusNotifierWatcher is on the session bus the icon is a
// StatusNotifierItem registered with it, again each time one appears (a
// panel that starts late or restarts); otherwise it is an XEmbed icon, which
// docks whenever an XEmbed tray is there.
class TrayPresence : public QObject {
    Q_OBJECT
public:
    explicit TrayPresence(QDBusConnection bus = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);
    ~TrayPresence() override;

    // Where the icon is on the screen, when the tray says: an XEmbed tray
    // does; a StatusNotifierItem panel tells only where it was clicked.
    std::optional<QRect> iconGeometry() const;
    // Whether a panel shows the icon now (a StatusNotifierItem host or an XEmbed tray).
    bool isShown() const;

Q_SIGNALS:
    void quitRequested();
    void settingsRequested();
    // A left click on the icon. `anchor`: what the popover opens from, the
    // icon or the point the panel gave; none: the pointer.
    void activated(std::optional<QRect> anchor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool hasWatcher() const;
    void useStatusNotifierItem();
    void useEmbeddedIcon();

    QDBusConnection m_bus;
    QIcon m_icon;
    std::unique_ptr<QMenu> m_menu;
    QDBusServiceWatcher m_watcher;
    std::unique_ptr<StatusNotifierItem> m_item;  // while a watcher is on the bus
    std::unique_ptr<QSystemTrayIcon> m_embedded; // otherwise
};
