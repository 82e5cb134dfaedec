// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

// The More menu's window, under the island; takes focus while shown.
class MoreMenuPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 96};

    explicit MoreMenuPanel(std::shared_ptr<WindowSystem> windowSystem);

    std::function<void()> onOpen;
    std::function<void()> onShare;
    std::function<void()> onCopy;
    std::function<void()> onDelete;
    std::function<void(int)> onMoveSelection;
    std::function<void()> onActivateSelection;
    std::function<void()> onCancel;
};
