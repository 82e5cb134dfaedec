// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Display.h"

#include <QByteArray>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <xcb/xcb.h>

namespace {

bool canConnectX11(const QByteArray& display)
{
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool ok = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return ok;
}

// Debian ships Qt's Wayland platform apart (qt6-wayland); without it Qt would
// abort when asked for it.
bool hasWaylandPlatform()
{
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                             QStringLiteral("/platforms/libqwayland-generic.so"));
}

} // namespace

void choosePlatform()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return;
    const QByteArray display = qgetenv("DISPLAY");
    if (!display.isEmpty() && canConnectX11(display))
        qputenv("QT_QPA_PLATFORM", "xcb");
    else if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && hasWaylandPlatform())
        qputenv("QT_QPA_PLATFORM", "wayland");
    else if (!display.isEmpty())
        qputenv("QT_QPA_PLATFORM", "xcb"); // fails below, saying which display
}

bool canReachGraphicalSession(QString* reason)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    // Platforms that need no display server (tests, screenshots).
    if (platform.startsWith("offscreen") || platform.startsWith("minimal"))
        return true;
    if (platform.startsWith("wayland") && !qgetenv("WAYLAND_DISPLAY").isEmpty())
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        *reason = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                      ? QStringLiteral("Vantle needs a graphical session: no X11 display is set "
                                       "(DISPLAY is empty)")
                      : QStringLiteral("Vantle needs X11 or Qt's Wayland platform: no X11 display "
                                       "is set, and the qt6-wayland package is not installed");
        return false;
    }
    const bool ok = canConnectX11(display);
    if (!ok)
        *reason = QStringLiteral("Vantle needs a graphical session: cannot open the display %1")
                      .arg(QString::fromLocal8Bit(display));
    return ok;
}

bool canShowToast()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen") ||
           platform == QLatin1String("minimal");
}
