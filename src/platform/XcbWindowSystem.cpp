// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/XcbWindowSystem.h"

#include "platform/Xcb.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

// The screen number from DISPLAY (":0.1" -> 1), as xcb_connect reports it.
int screenNumberOfDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int colon = display.lastIndexOf(':');
    if (dot > colon && colon >= 0)
        return display.mid(dot + 1).toInt();
    return 0;
}

class PlainWindowSystem final : public WindowSystem {
public:
    WindowId activeWindow() override { return 0; }
    std::optional<QRect> activeWindowGeometry() override { return std::nullopt; }
    void activate(WindowId) override {}
    void showOnAllDesktops(QWindow*) override {}
    void setInputRegion(QWindow*, const QRegion&) override {}
    bool hasCompositor() override { return true; }
};

} // namespace

std::unique_ptr<WindowSystem> makeWindowSystem()
{
    if (auto xcb = XcbWindowSystem::create())
        return xcb;
    return std::make_unique<PlainWindowSystem>();
}

std::optional<XcbRoot> qtXcbRoot()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return std::nullopt;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const int screenNumber = screenNumberOfDisplay();
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem <= 0 || !it.data)
        return std::nullopt;
    return XcbRoot{connection, it.data->root, screenNumber};
}

std::unique_ptr<XcbWindowSystem> XcbWindowSystem::create()
{
    const auto x = qtXcbRoot();
    if (!x)
        return nullptr;
    return std::unique_ptr<XcbWindowSystem>(
        new XcbWindowSystem(x->connection, x->root, x->screenNumber));
}

XcbWindowSystem::XcbWindowSystem(xcb_connection_t* connection, std::uint32_t root, int screenNumber)
    : m_connection(connection), m_root(root), m_screenNumber(screenNumber)
{
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    m_hasShape = shape && shape->present;
    followCompositor();
}

XcbWindowSystem::~XcbWindowSystem()
{
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void XcbWindowSystem::filterEvents()
{
    if (m_filtering)
        return;
    m_filtering = true;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

void XcbWindowSystem::followCompositor()
{
    const xcb_query_extension_reply_t* xfixes =
        xcb_get_extension_data(m_connection, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present)
        return;
    XcbReply version(xcb_xfixes_query_version_reply(
        m_connection, xcb_xfixes_query_version(m_connection, 1, 0), nullptr));
    if (!version)
        return;
    m_xfixesFirstEvent = xfixes->first_event;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(m_screenNumber);
    xcb_xfixes_select_selection_input(m_connection, m_root, atom(name),
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(m_connection);
    filterEvents();
}

bool XcbWindowSystem::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t kind = event->response_type & 0x7f;
    if (kind == XCB_CONFIGURE_NOTIFY) {
        const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        if (configure->event == m_root)
            raiseKeptWindows(configure->window);
    } else if (kind == XCB_MAP_NOTIFY) {
        const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        if (map->event == m_root)
            raiseKeptWindows(map->window);
    }
    if (m_xfixesFirstEvent == 0)
        return false;
    if ((event->response_type & 0x7f) == m_xfixesFirstEvent + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == atom("_NET_WM_CM_S" + QByteArray::number(m_screenNumber)))
            m_hasCompositor = notify->owner != XCB_WINDOW_NONE;
    }
    return false;
}

std::uint32_t XcbWindowSystem::atom(const QByteArray& name)
{
    if (auto it = m_atoms.constFind(name); it != m_atoms.constEnd())
        return *it;
    XcbReply reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, name.size(), name.constData()), nullptr));
    const std::uint32_t value = reply ? reply->atom : std::uint32_t(XCB_ATOM_NONE);
    m_atoms.insert(name, value);
    return value;
}

WindowSystem::WindowId XcbWindowSystem::activeWindow()
{
    const auto cookie = xcb_get_property(m_connection, 0, m_root, atom("_NET_ACTIVE_WINDOW"),
                                         XCB_ATOM_WINDOW, 0, 1);
    XcbReply reply(xcb_get_property_reply(m_connection, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32 ||
        xcb_get_property_value_length(reply.value) < 4)
        return 0;
    return *static_cast<std::uint32_t*>(xcb_get_property_value(reply.value));
}

std::optional<QRect> XcbWindowSystem::activeWindowGeometry()
{
    const WindowId window = activeWindow();
    if (window == 0)
        return std::nullopt;
    XcbReply geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    if (!geometry)
        return std::nullopt;
    XcbReply origin(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!origin)
        return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

void XcbWindowSystem::activate(WindowId window)
{
    if (window == 0)
        return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2; // source: a pager, which window managers obey
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

void XcbWindowSystem::showOnAllDesktops(QWindow* window)
{
    if (!window)
        return;
    const std::uint32_t everyDesktop = 0xFFFFFFFF;
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()),
                        atom("_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    xcb_flush(m_connection);
}

void XcbWindowSystem::keepAbove(QWindow* window)
{
    if (!window || m_keptAbove.contains(window))
        return;
    m_keptAbove.append(window);
    // The root reports every top-level window that is mapped or restacked;
    // Qt's own events on it stay selected.
    XcbReply attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, m_root), nullptr));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    filterEvents();
}

void XcbWindowSystem::raiseKeptWindows(std::uint32_t restacked)
{
    // A window manager may raise the window it focuses above our unmanaged
    // ones too (weston's XWM does whenever the focus returns to a window);
    // the pointer's clicks then reach that window through the island, which
    // weston still draws on top. Our own windows (a tooltip, a menu) may stay above.
    for (const QWindow* own : QGuiApplication::allWindows()) {
        if (own->handle() && xcb_window_t(own->winId()) == restacked)
            return;
    }
    m_keptAbove.removeAll(nullptr);
    bool raised = false;
    for (const QPointer<QWindow>& window : std::as_const(m_keptAbove)) {
        if (!window->isVisible() || !window->handle())
            continue;
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_connection, xcb_window_t(window->winId()),
                             XCB_CONFIG_WINDOW_STACK_MODE, &above);
        raised = true;
    }
    if (raised)
        xcb_flush(m_connection);
}

void XcbWindowSystem::setInputRegion(QWindow* window, const QRegion& region)
{
    if (!window || !m_hasShape)
        return;
    const qreal scale = window->devicePixelRatio();
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : region) {
        rects.push_back({std::int16_t(r.x() * scale), std::int16_t(r.y() * scale),
                         std::uint16_t(r.width() * scale), std::uint16_t(r.height() * scale)});
    }
    xcb_shape_rectangles(m_connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                         XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window->winId()), 0, 0,
                         std::uint32_t(rects.size()), rects.data());
    xcb_flush(m_connection);
}

bool XcbWindowSystem::hasCompositor()
{
    if (m_hasCompositor)
        return *m_hasCompositor;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(m_screenNumber);
    XcbReply reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom(name)), nullptr));
    const bool present = reply && reply->owner != XCB_WINDOW_NONE;
    if (m_xfixesFirstEvent != 0)
        m_hasCompositor = present;
    return present;
}
