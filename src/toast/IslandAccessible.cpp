// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/IslandAccessible.h"

#include "toast/DynamicIslandToastHost.h"
#include "toast/IslandBadgeAccessible.h"

namespace {

QAccessibleInterface* islandFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String(DynamicIslandToastHost::staticMetaObject.className()))
        return nullptr;
    auto* host = qobject_cast<DynamicIslandToastHost*>(object);
    return host ? new IslandAccessible(host) : nullptr;
}

} // namespace

IslandAccessible::IslandAccessible(DynamicIslandToastHost* host)
    : QAccessibleWidget(host, QAccessible::Notification)
{
}

IslandAccessible::~IslandAccessible()
{
    for (const QAccessible::Id id : m_badges) {
        if (id)
            QAccessible::deleteAccessibleInterface(id);
    }
}

void IslandAccessible::install()
{
    QAccessible::installFactory(islandFactory);
}

DynamicIslandToastHost* IslandAccessible::host() const
{
    return static_cast<DynamicIslandToastHost*>(widget());
}

int IslandAccessible::childCount() const
{
    return host()->badgeCount();
}

QAccessibleInterface* IslandAccessible::child(int index) const
{
    if (index < 0 || index >= childCount())
        return nullptr;
    QAccessible::Id& id = m_badges[std::size_t(index)];
    if (!id) {
        auto* badge = new IslandBadgeAccessible(host(), index);
        id = QAccessible::registerAccessibleInterface(badge);
    }
    return QAccessible::accessibleInterface(id);
}

int IslandAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (int i = 0; i < childCount(); ++i) {
        const QAccessible::Id id = m_badges[std::size_t(i)];
        if (id && QAccessible::accessibleInterface(id) == child)
            return i;
    }
    return -1;
}

QAccessibleInterface* IslandAccessible::childAt(int x, int y) const
{
    for (int i = 0; i < childCount(); ++i) {
        QAccessibleInterface* badge = child(i);
        if (badge->rect().contains(x, y))
            return badge;
    }
    return nullptr;
}

QString IslandAccessible::text(QAccessible::Text t) const
{
    const auto& files = host()->inputs().files;
    switch (t) {
    case QAccessible::Name:
        return files.empty() ? QString() : files.front().fileName;
    case QAccessible::Description:
        // What the count on the icon says.
        return files.size() >= 2 ? QStringLiteral("%1 files").arg(files.size()) : QString();
    default:
        return QAccessibleWidget::text(t);
    }
}
