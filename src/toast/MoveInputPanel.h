// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

// The move input's window, under the island; takes focus while shown.
class MoveInputPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 52};

    explicit MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem);

    std::function<void()> onCreateNew;
    std::function<void()> onBrowse;
};
