// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/FloatingPanel.h"

#include "menus/PanelBackground.h"
#include "platform/Session.h"
#include "platform/WindowSystem.h"

#include <QGuiApplication>
#include <QWindow>

namespace {

// Only real window systems stack and fade windows (offscreen warns when asked).
bool platformStacksWindows()
{
    static const bool stacks = [] {
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    }();
    return stacks;
}

} // namespace

FloatingPanel::FloatingPanel(Focus focus, QSize initialSize,
                             std::shared_ptr<WindowSystem> windowSystem)
    : QWidget(nullptr), m_focus(focus), m_windowSystem(std::move(windowSystem))
{
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    // Offscreen has no stacking and complains when a tool window is raised.
    // Under Wayland a panel that takes the keyboard is a dialog: a compositor
    // that ignores activation requests (weston's XWayland) still focuses a
    // dialog as it maps, never a utility window. On X11 it stays a utility
    // window, which taskbars and window switchers leave out.
    const bool dialog = focus != Focus::never && session::isWayland();
    if (platformStacksWindows())
        flags |= (dialog ? Qt::Dialog : Qt::Tool) | Qt::WindowStaysOnTopHint;
    if (focus == Focus::never) {
        flags |= Qt::WindowDoesNotAcceptFocus;
        setAttribute(Qt::WA_ShowWithoutActivating);
        // Unmanaged, so that no window manager takes its clicks for itself:
        // many move windows on Alt and a click, which the island needs.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            flags |= Qt::X11BypassWindowManagerHint;
    }
    setWindowFlags(flags);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(initialSize);
}

bool FloatingPanel::hasCompositor()
{
    return m_windowSystem && m_windowSystem->hasCompositor();
}

int FloatingPanel::withShadowRoom(int height)
{
    if (!hasCompositor())
        return height;
    const QMargins shadow = panelbackground::shadowMargins();
    return height + shadow.top() + shadow.bottom();
}

void FloatingPanel::setBodyGeometry(const QRect& body)
{
    setGeometry(hasCompositor() ? body.marginsAdded(panelbackground::shadowMargins()) : body);
}

QRect FloatingPanel::bodyGeometry()
{
    return hasCompositor() ? geometry().marginsRemoved(panelbackground::shadowMargins())
                           : geometry();
}

void FloatingPanel::setAlpha(qreal alpha)
{
    m_alpha = alpha;
    if (platformStacksWindows())
        setWindowOpacity(alpha);
}

void FloatingPanel::stopFade()
{
    if (m_fade) {
        m_fade->disconnect(this);
        m_fade->stop();
        m_fade->deleteLater();
    }
}

void FloatingPanel::fadeTo(qreal alpha, std::chrono::milliseconds duration,
                           std::function<void()> finished)
{
    stopFade();
    auto* animation = new QPropertyAnimation(this, "alpha", this);
    animation->setDuration(int(duration.count()));
    animation->setStartValue(m_alpha);
    animation->setEndValue(alpha);
    connect(animation, &QPropertyAnimation::finished, this, [this, animation, finished] {
        animation->deleteLater();
        if (m_fade == animation)
            m_fade = nullptr;
        if (finished)
            finished();
    });
    m_fade = animation;
    animation->start();
}

void FloatingPanel::prepareWindow()
{
    // weston's XWM places a managed window that is mapped again by its frame's
    // old corner, 32 px up and left of where the window asks to be: under
    // Wayland a panel that takes the keyboard gets a new native window each time.
    if (m_prepared && m_focus == Focus::whenShown && session::isWayland() && !isVisible()) {
        destroy();
        m_prepared = false;
    }
    if (m_prepared)
        return;
    m_prepared = true;
    // The workspace property must be on the window before it is first mapped.
    winId();
    if (m_windowSystem) {
        m_windowSystem->showOnAllDesktops(windowHandle());
        // Only Wayland's X bridge raises managed windows over the island; on X11
        // a second program keeping its own window above would fight this one.
        if (m_focus == Focus::never && session::isWayland())
            m_windowSystem->keepAbove(windowHandle());
    }
}

void FloatingPanel::orderFront()
{
    prepareWindow();
    show();
    if (platformStacksWindows())
        raise();
}

void FloatingPanel::makeKeyAndOrderFront()
{
    prepareWindow();
    show();
    if (platformStacksWindows())
        raise();
    if (m_focus == Focus::whenShown)
        activateWindow();
}

void FloatingPanel::orderOut()
{
    stopFade();
    hide();
}
