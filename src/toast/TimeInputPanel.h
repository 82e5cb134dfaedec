// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

// The custom-time input's window, under the island; takes focus while shown.
class TimeInputPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 52};

    explicit TimeInputPanel(std::shared_ptr<WindowSystem> windowSystem);
};
