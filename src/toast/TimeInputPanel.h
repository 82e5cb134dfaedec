// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

class TimeInputView;
class TimeInputViewModel;

// The floating panel that holds the custom-lifetime input; it takes focus.
class TimeInputPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 52};
    TimeInputPanel(std::shared_ptr<WindowSystem> windowSystem, TimeInputViewModel& model);

    TimeInputView& view() { return *m_view; }

private:
    TimeInputView* m_view;
};
