// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QRegion>
#include <cstdint>
#include <memory>
#include <optional>

class QWindow;

// What the floating panels need from the window system: the active window
// (to pick a screen and to give focus back), windows on every workspace,
// click-through outside the drawn area, and whether a compositor blends
// translucent windows.
class WindowSystem {
public:
    using WindowId = std::uint32_t;

    virtual ~WindowSystem() = default;

    // The window that has focus, or 0.
    virtual WindowId activeWindow() = 0;
    // The active window's rectangle in screen coordinates.
    virtual std::optional<QRect> activeWindowGeometry() = 0;
    // Asks the window manager to give focus back to a window.
    virtual void activate(WindowId window) = 0;
    // Puts a not yet shown window on every workspace.
    virtual void showOnAllDesktops(QWindow* window) = 0;
    // Keeps a window the window manager does not manage above the others
    // while it is shown, as managed windows are raised around it.
    virtual void keepAbove(QWindow*) {}
    // Clicks outside `region` (window coordinates) reach the windows below.
    virtual void setInputRegion(QWindow* window, const QRegion& region) = 0;
    // Whether translucent pixels are blended; without it they show black.
    virtual bool hasCompositor() = 0;
};

// The X11 implementation when Qt runs on xcb, else one that knows nothing of
// other windows and assumes translucency works (offscreen, Wayland).
std::unique_ptr<WindowSystem> makeWindowSystem();
