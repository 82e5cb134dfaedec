// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <QRect>

class DynamicIslandToastHost;

// The toast's window: never takes focus, on every workspace, above other
// windows. Clicks outside `hitTestRect` reach the windows below; without a
// compositor the window is shaped to the island so no black shows around it.
class ToastPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{800, 400};

    ToastPanel(std::shared_ptr<WindowSystem> windowSystem, DynamicIslandToastHost* host);

    DynamicIslandToastHost* host() const { return m_host; }
    QRect hitTestRect() const { return m_hitTestRect; }
    void setHitTestRect(const QRect& rect);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyShape();

    DynamicIslandToastHost* m_host;
    QRect m_hitTestRect;
};
