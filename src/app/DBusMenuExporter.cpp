// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DBusMenuExporter.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QMenu>
#include <QMetaObject>

namespace {

constexpr uint revision = 1;

// dbusmenu marks the mnemonic with "_" where Qt uses "&".
QString dbusLabel(QString text)
{
    text.replace(QLatin1Char('_'), QLatin1String("__"));
    text.replace(QLatin1Char('&'), QLatin1Char('_'));
    return text;
}

} // namespace

void dbusmenu::registerTypes()
{
    qDBusRegisterMetaType<Layout>();
    qDBusRegisterMetaType<ItemProperties>();
    qDBusRegisterMetaType<QList<ItemProperties>>();
    qDBusRegisterMetaType<Event>();
    qDBusRegisterMetaType<QList<Event>>();
    qDBusRegisterMetaType<QList<int>>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::Layout& layout)
{
    argument.beginStructure();
    argument << layout.id << layout.properties;
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const dbusmenu::Layout& child : layout.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::Layout& layout)
{
    argument.beginStructure();
    argument >> layout.id >> layout.properties;
    layout.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        layout.children.append(qdbus_cast<dbusmenu::Layout>(child.variant()));
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::ItemProperties& item)
{
    argument.beginStructure();
    argument << item.id << item.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::ItemProperties& item)
{
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::Event& event)
{
    argument.beginStructure();
    argument << event.id << event.eventId << event.data << event.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::Event& event)
{
    argument.beginStructure();
    argument >> event.id >> event.eventId >> event.data >> event.timestamp;
    argument.endStructure();
    return argument;
}

DBusMenuExporter::DBusMenuExporter(QMenu& menu, QObject* parent) : QObject(parent), m_menu(menu)
{
    dbusmenu::registerTypes();
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList&,
                                 dbusmenu::Layout& layout)
{
    if (!exists(parentId)) {
        refuseUnknown(parentId);
        return revision;
    }
    layout = dbusmenu::Layout{parentId, propertiesOf(parentId), {}};
    if (parentId == 0 && recursionDepth != 0) {
        for (int id = 1; id <= int(m_menu.actions().size()); ++id)
            layout.children.append(dbusmenu::Layout{id, propertiesOf(id), {}});
    }
    return revision;
}

QList<dbusmenu::ItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                     const QStringList&)
{
    QList<int> wanted = ids;
    if (wanted.isEmpty()) { // every item
        for (int id = 0; id <= int(m_menu.actions().size()); ++id)
            wanted.append(id);
    }
    QList<dbusmenu::ItemProperties> items;
    for (int id : std::as_const(wanted)) {
        if (exists(id))
            items.append(dbusmenu::ItemProperties{id, propertiesOf(id)});
    }
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name)
{
    const QVariantMap properties = propertiesOf(id);
    if (!exists(id) || !properties.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("Item %1 has no property %2").arg(id).arg(name));
        return QDBusVariant(QString());
    }
    return QDBusVariant(properties.value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!handle(id, eventId))
        refuseUnknown(id);
}

QList<int> DBusMenuExporter::EventGroup(const QList<dbusmenu::Event>& events)
{
    QList<int> unknown;
    for (const dbusmenu::Event& event : events) {
        if (!handle(event.id, event.eventId))
            unknown.append(event.id);
    }
    return unknown;
}

bool DBusMenuExporter::AboutToShow(int id)
{
    if (!exists(id))
        refuseUnknown(id);
    return false; // the layout never changes
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (int id : ids) {
        if (!exists(id))
            idErrors.append(id);
    }
    return {};
}

QAction* DBusMenuExporter::actionOf(int id) const
{
    const QList<QAction*> actions = m_menu.actions();
    return id >= 1 && id <= int(actions.size()) ? actions[id - 1] : nullptr;
}

QVariantMap DBusMenuExporter::propertiesOf(int id) const
{
    if (id == 0)
        return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    const QAction* action = actionOf(id);
    if (!action)
        return {};
    QVariantMap properties;
    if (action->isSeparator())
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    else
        properties.insert(QStringLiteral("label"), dbusLabel(action->text()));
    // Only what differs from dbusmenu's defaults is sent.
    if (!action->isEnabled())
        properties.insert(QStringLiteral("enabled"), false);
    if (!action->isVisible())
        properties.insert(QStringLiteral("visible"), false);
    return properties;
}

bool DBusMenuExporter::handle(int id, const QString& eventId)
{
    QAction* action = actionOf(id);
    if (id != 0 && !action)
        return false;
    if (action && eventId == QLatin1String("clicked"))
        QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
    return true;
}

void DBusMenuExporter::refuseUnknown(int id)
{
    sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No menu item has the id %1").arg(id));
}
