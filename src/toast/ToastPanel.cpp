// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastPanel.h"

#include "platform/WindowSystem.h"
#include "toast/DynamicIslandToastHost.h"

#include <QRegion>
#include <QWindow>

ToastPanel::ToastPanel(std::shared_ptr<WindowSystem> windowSystem, DynamicIslandToastHost* host)
    : FloatingPanel(Focus::never, initialSize, std::move(windowSystem)), m_host(host)
{
    setObjectName(QStringLiteral("ToastPanel"));
    setWindowTitle(QStringLiteral("Vantle"));
    // The island never becomes the active window, yet its keycaps explain
    // themselves: Qt asks the window, not the island, whether tips may show.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    m_host->setParent(this);
    m_host->setGeometry(rect());
    connect(m_host, &DynamicIslandToastHost::outlineChanged, this, &ToastPanel::applyShape);
}

void ToastPanel::setHitTestRect(const QRect& rect)
{
    if (rect == m_hitTestRect)
        return;
    m_hitTestRect = rect;
    applyShape();
}

void ToastPanel::resizeEvent(QResizeEvent* event)
{
    FloatingPanel::resizeEvent(event);
    m_host->setGeometry(rect());
}

void ToastPanel::showEvent(QShowEvent* event)
{
    FloatingPanel::showEvent(event);
    applyShape();
}

void ToastPanel::applyShape()
{
    if (!windowHandle())
        return;
    windowSystem().setInputRegion(windowHandle(), QRegion(m_hitTestRect.intersected(rect())));
    if (hasCompositor()) {
        if (!mask().isEmpty())
            clearMask();
        return;
    }
    // Without a compositor transparent pixels show black: keep only what is
    // drawn. Nor can a fade show, and a faint island would be a solid black
    // bar: it is cut out only while mostly opaque. An empty region would
    // lift the mask, so nothing drawn keeps one pixel, outside the window.
    QRegion drawn;
    if (m_host->currentOpacity() >= 0.5)
        drawn = QRegion(m_host->currentOutline().toFillPolygon().toPolygon());
    if (drawn.isEmpty())
        drawn = QRegion(-1, -1, 1, 1);
    if (drawn != mask())
        setMask(drawn);
}
