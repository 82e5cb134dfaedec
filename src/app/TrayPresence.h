// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The program's presence in the panel: a tray icon with a context menu.
class TrayPresence : public QObject {
    Q_OBJECT
public:
    explicit TrayPresence(QObject* parent = nullptr);
    ~TrayPresence() override;

    QSystemTrayIcon* icon() const { return m_icon; }

Q_SIGNALS:
    void quitRequested();
    void settingsRequested();
    // A left click on the icon (the popover opens from here).
    void activated();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
};
