// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowSystem.h"

#include <QByteArray>
#include <QHash>

struct xcb_connection_t;

// EWMH through the xcb connection Qt already holds.
class XcbWindowSystem final : public WindowSystem {
public:
    // Nothing when Qt does not run on xcb.
    static std::unique_ptr<XcbWindowSystem> create();

    WindowId activeWindow() override;
    std::optional<QRect> activeWindowGeometry() override;
    void activate(WindowId window) override;
    void showOnAllDesktops(QWindow* window) override;
    void setInputRegion(QWindow* window, const QRegion& region) override;
    bool hasCompositor() override;

private:
    XcbWindowSystem(xcb_connection_t* connection, std::uint32_t root, int screenNumber);
    std::uint32_t atom(const QByteArray& name);

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    int m_screenNumber;
    bool m_hasShape = false;
    QHash<QByteArray, std::uint32_t> m_atoms;
};
