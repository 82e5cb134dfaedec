// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/MoreMenuViewModel.h"

#include "platform/KeyGrabber.h"

#include <algorithm>

const std::vector<MoreMenuItem>& MoreMenuViewModel::items()
{
    static const std::vector<MoreMenuItem> table{
        {0, MoreMenuAction::open, QStringLiteral("document-open"), QStringLiteral("Open"),
         KeyGrabber::keycap(QStringLiteral("Super+Shift+O")), QStringLiteral("Super+Shift+O"),
         false},
        {1, MoreMenuAction::shareAndDelete, QStringLiteral("document-send"),
         QStringLiteral("Share & Delete"), KeyGrabber::keycap(QStringLiteral("Super+Shift+S")),
         QStringLiteral("Super+Shift+S"), false},
        {2, MoreMenuAction::copyAndDelete, QStringLiteral("edit-copy"),
         QStringLiteral("Copy & Delete"), KeyGrabber::keycap(QStringLiteral("Super+Shift+C")),
         QStringLiteral("Super+Shift+C"), false},
        {3, MoreMenuAction::delete_, QStringLiteral("user-trash"), QStringLiteral("Delete"),
         KeyGrabber::keycap(QStringLiteral("Super+Shift+Backspace")),
         QStringLiteral("Super+Shift+Backspace"), true},
    };
    return table;
}

void MoreMenuViewModel::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    Q_EMIT selectedIndexChanged();
}

void MoreMenuViewModel::moveSelection(int step)
{
    const int last = int(items().size()) - 1;
    if (last < 0)
        return;
    setSelectedIndex(std::clamp(m_selectedIndex + step, 0, last));
}

std::optional<MoreMenuAction> MoreMenuViewModel::selectedAction() const
{
    if (m_selectedIndex < 0 || m_selectedIndex >= int(items().size()))
        return std::nullopt;
    return items()[std::size_t(m_selectedIndex)].action;
}
