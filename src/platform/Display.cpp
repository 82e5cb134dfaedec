// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Display.h"

#include <QByteArray>
#include <QGuiApplication>
#include <xcb/xcb.h>

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
        *reason = QStringLiteral("Vantle needs a graphical session: no X11 display is set (DISPLAY "
                                 "is empty)");
        return false;
    }
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool ok = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
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
