// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusNotifierItem.h"

#include "app/DBusMenuExporter.h"
#include "platform/BusSend.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QImage>
#include <QtEndian>

namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

// Panels pick the smallest pixmap at least as large as their slot.
constexpr int pixmapSizes[] = {16, 22, 24, 32, 48, 64};

QList<sni::Pixmap> pixmapsOf(const QIcon& icon)
{
    QList<sni::Pixmap> pixmaps;
    for (int size : pixmapSizes) {
        const QImage image = icon.pixmap(QSize(size, size), 1.0)
                                 .toImage()
                                 .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        QByteArray bytes(qsizetype(image.width()) * image.height() * 4, Qt::Uninitialized);
        auto* out = reinterpret_cast<quint32*>(bytes.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        pixmaps.append(sni::Pixmap{image.width(), image.height(), bytes});
    }
    return pixmaps;
}

} // namespace

void sni::registerTypes()
{
    qDBusRegisterMetaType<Pixmap>();
    qDBusRegisterMetaType<QList<Pixmap>>();
    qDBusRegisterMetaType<ToolTip>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const sni::Pixmap& pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, sni::Pixmap& pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const sni::ToolTip& toolTip)
{
    argument.beginStructure();
    argument << toolTip.iconName << toolTip.pixmaps << toolTip.title << toolTip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, sni::ToolTip& toolTip)
{
    argument.beginStructure();
    argument >> toolTip.iconName >> toolTip.pixmaps >> toolTip.title >> toolTip.text;
    argument.endStructure();
    return argument;
}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, Appearance appearance, QMenu& menu,
                                       QObject* parent, int retryMs)
    : QObject(parent), m_bus(std::move(bus)), m_appearance(std::move(appearance)),
      m_pixmaps(pixmapsOf(m_appearance.icon)), m_menu(std::make_unique<DBusMenuExporter>(menu)),
      // Not Qt's own "-1": should Qt ever make its item too, the names stay apart.
      m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-vantle")
                        .arg(QCoreApplication::applicationPid()))
{
    sni::registerTypes();
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMs);
    connect(&m_retry, &QTimer::timeout, this, &StatusNotifierItem::tryRegister);
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (!m_published)
        return;
    // Releasing the name is what tells the watcher that the item is gone.
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(menuPath);
    m_bus.unregisterObject(itemPath);
}

bool StatusNotifierItem::publish(QString* error)
{
    constexpr auto exported = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                              QDBusConnection::ExportAllProperties;
    if (!m_bus.isConnected()) {
        *error = m_bus.lastError().message();
        return false;
    }
    if (!m_bus.registerObject(itemPath, this, exported)) {
        *error = QStringLiteral("the object path %1 is taken").arg(itemPath);
        return false;
    }
    if (!m_bus.registerObject(menuPath, m_menu.get(), exported)) {
        m_bus.unregisterObject(itemPath);
        *error = QStringLiteral("the object path %1 is taken").arg(menuPath);
        return false;
    }
    if (!m_bus.registerService(m_serviceName)) {
        m_bus.unregisterObject(menuPath);
        m_bus.unregisterObject(itemPath);
        *error = QStringLiteral("the name %1 is taken").arg(m_serviceName);
        return false;
    }
    m_published = true;
    return true;
}

void StatusNotifierItem::registerWithWatcher()
{
    ++m_generation;
    m_attempts = 0;
    m_retry.stop();
    tryRegister();
}

QDBusObjectPath StatusNotifierItem::menu() const
{
    return QDBusObjectPath(menuPath);
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

void StatusNotifierItem::SecondaryActivate(int, int) {}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    Q_EMIT contextMenuRequested(QPoint(x, y));
}

void StatusNotifierItem::Scroll(int, const QString&) {}

void StatusNotifierItem::tryRegister()
{
    ++m_attempts;
    QDBusMessage call =
        QDBusMessage::createMethodCall(sni::watcherService, watcherPath, sni::watcherService,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    auto* pending = new QDBusPendingCallWatcher(bussend::callLater(m_bus, call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusPendingReply<> reply = *finished;
                if (!reply.isError()) {
                    VANTLE_DIAG(
                        lcApp,
                        QStringLiteral("Tray: registered with the panel as %1").arg(m_serviceName));
                    return;
                }
                if (m_attempts < registerAttempts) {
                    m_retry.start();
                    return;
                }
                VANTLE_DIAG(lcApp, QStringLiteral("Tray: the panel refused the icon: %1")
                                       .arg(reply.error().message()));
            });
}
