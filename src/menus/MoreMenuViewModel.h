// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

enum class MoreMenuAction { open, shareAndDelete, copyAndDelete, delete_ };

struct MoreMenuItem {
    int id = 0;
    MoreMenuAction action = MoreMenuAction::open;
    QString icon; // a freedesktop icon name
    QString title;
    QString keycap;        // the shortcut as its keycap shows it
    QString keycapToolTip; // the shortcut spelled out
    bool isDestructive = false;
};

// The More menu's rows and which one is highlighted. The highlight stops at
// the first and last rows. Main thread only.
class MoreMenuViewModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static const std::vector<MoreMenuItem>& items();
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index); // notifies only on a change
    void moveSelection(int step);
    std::optional<MoreMenuAction> selectedAction() const;

Q_SIGNALS:
    void selectedIndexChanged();

private:
    int m_selectedIndex = 0;
};
