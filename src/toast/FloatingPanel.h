// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>

class WindowSystem;

// A frameless window floating above the others on every workspace. The
// toast never takes focus; input panels do while they are shown. `alpha` is
// the window's opacity, kept even where the platform cannot apply it.
class FloatingPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal alpha READ alpha WRITE setAlpha)
public:
    enum class Focus { never, whenShown };

    FloatingPanel(Focus focus, QSize initialSize, std::shared_ptr<WindowSystem> windowSystem);

    qreal alpha() const { return m_alpha; }
    void setAlpha(qreal alpha);
    // Animates alpha; `finished` runs when the animation ends (not when it is
    // replaced by another).
    void fadeTo(qreal alpha, std::chrono::milliseconds duration,
                std::function<void()> finished = {});
    void stopFade();

    // Puts the panel on screen without taking focus.
    void orderFront();
    // Puts the panel on screen and gives it the keyboard.
    void makeKeyAndOrderFront();
    void orderOut();
    bool isOnScreen() const { return isVisible(); }
    // The window height for content of `height`: with a compositor the panel
    // background draws its shadow around the content.
    int withShadowRoom(int height);
    // Where the panel's visible body is on the screen, its shadow left out;
    // setting it leaves the shadow its room around the body.
    QRect bodyGeometry();
    void setBodyGeometry(const QRect& body);

protected:
    WindowSystem& windowSystem() { return *m_windowSystem; }
    bool hasCompositor();

private:
    void prepareWindow();

    Focus m_focus;
    std::shared_ptr<WindowSystem> m_windowSystem;
    qreal m_alpha = 1.0;
    bool m_prepared = false;
    QPointer<QPropertyAnimation> m_fade;
};
