// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

// A 2×2 window under the island that the share menu is attached to.
class ShareAnchorPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{2, 2};

    explicit ShareAnchorPanel(std::shared_ptr<WindowSystem> windowSystem);
};
