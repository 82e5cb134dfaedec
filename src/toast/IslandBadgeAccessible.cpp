// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/IslandBadgeAccessible.h"

#include "toast/DynamicIslandToastHost.h"

#include <QWindow>

IslandBadgeAccessible::IslandBadgeAccessible(DynamicIslandToastHost* host, int index)
    : m_host(host), m_index(index)
{
}

bool IslandBadgeAccessible::isValid() const
{
    return m_host && m_index < m_host->badgeCount();
}

QWindow* IslandBadgeAccessible::window() const
{
    return m_host ? m_host->window()->windowHandle() : nullptr;
}

QAccessibleInterface* IslandBadgeAccessible::parent() const
{
    return m_host ? QAccessible::queryAccessibleInterface(m_host.data()) : nullptr;
}

QString IslandBadgeAccessible::text(QAccessible::Text t) const
{
    if (!isValid())
        return {};
    const islandpainter::BadgeText badge = m_host->badgeText(m_index);
    switch (t) {
    case QAccessible::Name:
        // The keycap's glyphs read badly aloud; the keys are said by name.
        return badge.toolTip.isEmpty()
                   ? badge.label
                   : badge.label + QStringLiteral(" (") + badge.toolTip + QLatin1Char(')');
    case QAccessible::Accelerator:
        return badge.toolTip;
    default:
        return {};
    }
}

QRect IslandBadgeAccessible::rect() const
{
    if (!isValid())
        return {};
    const QRect local = m_host->badgeRect(m_index).toAlignedRect();
    return QRect(m_host->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State IslandBadgeAccessible::state() const
{
    QAccessible::State state;
    if (!isValid() || !m_host->isVisible() ||
        m_host->animatedState() != DynamicIslandToastState::visible) {
        state.invisible = true;
        state.offscreen = true;
    }
    return state;
}

void* IslandBadgeAccessible::interface_cast(QAccessible::InterfaceType type)
{
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                : nullptr;
}

// What Alt does to the first badge under the pointer, offered to readers as an action of its own.
QString IslandBadgeAccessible::otherActionName() const
{
    if (!isValid() || m_index != 0 || m_host->inputs().showsUndo)
        return {};
    const QString other = islandpainter::badgeTexts(true)[0].label;
    return m_host->badgeText(0).label == other ? QString() : other;
}

QStringList IslandBadgeAccessible::actionNames() const
{
    const QString other = otherActionName();
    return other.isEmpty() ? QStringList{pressAction()} : QStringList{pressAction(), other};
}

void IslandBadgeAccessible::doAction(const QString& actionName)
{
    const bool other = !actionName.isEmpty() && actionName == otherActionName();
    if ((actionName != pressAction() && !other) || !isValid())
        return;
    // Unlike the pointer, a screen reader needs no hover first. The press runs
    // after the reader's call has been answered, as a click's would.
    QMetaObject::invokeMethod(
        m_host.data(),
        [host = m_host, index = m_index, other] {
            if (host)
                host->pressBadge(index, other);
        },
        Qt::QueuedConnection);
}

QStringList IslandBadgeAccessible::keyBindingsForAction(const QString& actionName) const
{
    if (actionName != pressAction() || !isValid())
        return {};
    const QString keys = m_host->badgeText(m_index).toolTip;
    return keys.isEmpty() ? QStringList() : QStringList{keys};
}
