// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

class MoreMenuView;
class MoreMenuViewModel;

// The More menu's window, under the island; takes focus while shown and
// turns keys into calls: arrows move the highlight, Return or Enter chooses
// it, Escape closes, and each row's shortcut chooses that row.
class MoreMenuPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 96};
    MoreMenuPanel(std::shared_ptr<WindowSystem> windowSystem, MoreMenuViewModel& model);

    MoreMenuView& view() { return *m_view; }

    std::function<void()> onOpen;
    std::function<void()> onShare;
    std::function<void()> onCopy;
    std::function<void()> onDelete;
    std::function<void(int)> onMoveSelection;
    std::function<void()> onActivateSelection;
    std::function<void()> onCancel;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    MoreMenuView* m_view;
};
