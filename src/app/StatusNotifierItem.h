// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QTimer>
#include <memory>

class DBusMenuExporter;
class QMenu;

namespace sni {

inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// One size of the icon, D-Bus type (iiay): ARGB32 pixels in network byte order.
struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
// The tooltip, (sa(iiay)ss): icon name, icon, title, text.
struct ToolTip {
    QString iconName;
    QList<Pixmap> pixmaps;
    QString title;
    QString text;
};

// Registers the types above with Qt D-Bus; needed before the item is exported.
void registerTypes();

} // namespace sni

Q_DECLARE_METATYPE(sni::Pixmap)
Q_DECLARE_METATYPE(sni::ToolTip)

QDBusArgument& operator<<(QDBusArgument& argument, const sni::Pixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, sni::Pixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const sni::ToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, sni::ToolTip& toolTip);

// The tray icon for panels that speak StatusNotifierItem (KDE Plasma, GNOME's
// AppIndicator extension and most others): an object at /StatusNotifierItem
// under a name of its own, with its menu over dbusmenu, registered with the
// panel's org.kde.StatusNotifierWatcher. Panels draw the icon from its theme
// name at their own size and colours; the pixmaps serve those without it.
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QList<sni::Pixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(QList<sni::Pixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(QList<sni::Pixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(sni::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
public:
    // A watcher that has just taken its name may not answer yet.
    static constexpr int registerRetryMs = 500;
    static constexpr int registerAttempts = 20;

    struct Appearance {
        QString id;       // stable, for the panel's per-item settings
        QString title;    // also the tooltip
        QString iconName; // the installed icon's theme name
        QIcon icon;       // drawn into the pixmaps
    };

    StatusNotifierItem(QDBusConnection bus, Appearance appearance, QMenu& menu,
                       QObject* parent = nullptr, int retryMs = registerRetryMs);
    ~StatusNotifierItem() override;

    // Exports the item and its menu and takes the item's name; false, with
    // the reason, when the bus refuses (then nothing stays registered).
    bool publish(QString* error);
    // Registers with the watcher on the bus, trying again shortly while it
    // is not ready.
    void registerWithWatcher();

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return m_appearance.id; }
    QString title() const { return m_appearance.title; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString iconName() const { return m_appearance.iconName; }
    QList<sni::Pixmap> iconPixmap() const { return m_pixmaps; }
    QList<sni::Pixmap> noPixmaps() const { return {}; }
    QString emptyText() const { return {}; }
    sni::ToolTip toolTip() const { return {{}, {}, m_appearance.title, {}}; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const;

public Q_SLOTS:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

    // The panel's click on the icon at `native`, in the screen's device
    // pixels; (0, 0) when the panel did not say where.
    void activated(QPoint native);
    // A panel without dbusmenu asks for the menu there.
    void contextMenuRequested(QPoint native);

private:
    void tryRegister();

    QDBusConnection m_bus;
    Appearance m_appearance;
    QList<sni::Pixmap> m_pixmaps;
    std::unique_ptr<DBusMenuExporter> m_menu;
    QString m_serviceName;
    bool m_published = false;
    QTimer m_retry;
    int m_attempts = 0;
    int m_generation = 0; // answers to an earlier round of attempts are ignored
};
