// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QVariantMap>

class QAction;
class QMenu;

namespace dbusmenu {

// One item of the layout with its children, D-Bus type (ia{sv}av): each
// child is a layout inside a variant.
struct Layout {
    int id = 0;
    QVariantMap properties;
    QList<Layout> children;
};
// An item's properties, (ia{sv}).
struct ItemProperties {
    int id = 0;
    QVariantMap properties;
};
// One event of EventGroup, (isvu).
struct Event {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

// Registers the types above with Qt D-Bus; needed before the menu is exported.
void registerTypes();

} // namespace dbusmenu

Q_DECLARE_METATYPE(dbusmenu::Layout)
Q_DECLARE_METATYPE(dbusmenu::ItemProperties)
Q_DECLARE_METATYPE(dbusmenu::Event)

QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::Layout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::Layout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::ItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::ItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const dbusmenu::Event& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, dbusmenu::Event& event);

// The tray icon's menu for panels that draw it themselves
// (com.canonical.dbusmenu): the menu's actions as one level, each item's id
// its position counted from 1 (0 is the root). The menu never changes while
// it is exported, so the layout keeps its first revision.
class DBusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    explicit DBusMenuExporter(QMenu& menu, QObject* parent = nullptr);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

public Q_SLOTS:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   dbusmenu::Layout& layout);
    QList<dbusmenu::ItemProperties> GetGroupProperties(const QList<int>& ids,
                                                       const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<dbusmenu::Event>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

private:
    QAction* actionOf(int id) const;
    bool exists(int id) const { return id == 0 || actionOf(id); }
    QVariantMap propertiesOf(int id) const;
    // A click runs the action once the call is answered: "Quit Vantle" ends the program.
    bool handle(int id, const QString& eventId);
    void refuseUnknown(int id);

    QMenu& m_menu;
};
