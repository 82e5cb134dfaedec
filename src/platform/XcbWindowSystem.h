// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/WindowSystem.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QWindow>

struct xcb_connection_t;

// EWMH through the xcb connection Qt already holds.
class XcbWindowSystem final : public WindowSystem, public QAbstractNativeEventFilter {
public:
    // Nothing when Qt does not run on xcb.
    static std::unique_ptr<XcbWindowSystem> create();

    WindowId activeWindow() override;
    std::optional<QRect> activeWindowGeometry() override;
    void activate(WindowId window) override;
    void showOnAllDesktops(QWindow* window) override;
    void keepAbove(QWindow* window) override;
    void setInputRegion(QWindow* window, const QRegion& region) override;
    // Known without a round trip: the owner of the compositor selection is
    // read once and then followed through XFixes.
    bool hasCompositor() override;
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;
    ~XcbWindowSystem() override;

private:
    void followCompositor();
    void filterEvents();
    void raiseKeptWindows(std::uint32_t restacked);

    XcbWindowSystem(xcb_connection_t* connection, std::uint32_t root, int screenNumber);
    std::uint32_t atom(const QByteArray& name);

    xcb_connection_t* m_connection;
    std::uint32_t m_root;
    int m_screenNumber;
    bool m_hasShape = false;
    std::optional<bool> m_hasCompositor;
    std::uint8_t m_xfixesFirstEvent = 0; // 0: no XFixes, so the owner is asked each time
    QHash<QByteArray, std::uint32_t> m_atoms;
    bool m_filtering = false;
    QList<QPointer<QWindow>> m_keptAbove;
};
