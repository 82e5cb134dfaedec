// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "toast/IslandPainter.h"

#include <QScopeGuard>

// Under a Wayland session the island's global shortcuts reach Vantle only
// while an X11 window has focus: its badges show and speak no keys there.
TEST(WaylandKeycapsTest, BadgesNameTheirKeysOnlyWhereGlobalShortcutsWork)
{
    const struct {
        const char* variable;
        const char* value;
        bool keysShown;
    } sessions[] = {
        {"XDG_SESSION_TYPE", "x11", true},
        {"XDG_SESSION_TYPE", "wayland", false},
        {"WAYLAND_DISPLAY", "wayland-0", false},
    };
    // The test's own session, whatever the one it runs in.
    const QByteArray type = qgetenv("XDG_SESSION_TYPE");
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_SESSION_TYPE", type);
        qputenv("WAYLAND_DISPLAY", display);
    });
    for (const auto& session : sessions) {
        qunsetenv("XDG_SESSION_TYPE");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv(session.variable, session.value);
        for (const islandpainter::BadgeText& badge :
             {islandpainter::badgeTexts(false)[0], islandpainter::undoBadgeText()}) {
            EXPECT_EQ(!badge.shortcut.isEmpty(), session.keysShown) << session.value;
            EXPECT_EQ(!badge.toolTip.isEmpty(), session.keysShown) << session.value;
        }
    }
}
