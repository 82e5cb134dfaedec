// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowSystem.h"

#include <QHash>
#include <QList>
#include <QWindow>

// A composited window system with a settable active window that records
// what the panels asked of it.
class FakeWindowSystem final : public WindowSystem {
public:
    WindowId activeWindow() override { return m_active; }
    std::optional<QRect> activeWindowGeometry() override { return std::nullopt; }
    void activate(WindowId window) override
    {
        m_activated.append(window);
        m_active = window;
    }
    void showOnAllDesktops(QWindow* window) override { m_allDesktops.append(window); }
    void setInputRegion(QWindow* window, const QRegion& region) override
    {
        m_inputRegions[window] = region;
    }
    bool hasCompositor() override { return true; }

    WindowId m_active = 0;
    QList<WindowId> m_activated;
    QList<QWindow*> m_allDesktops;
    QHash<QWindow*, QRegion> m_inputRegions;
};
