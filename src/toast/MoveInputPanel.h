// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

class MoveInputView;
class MoveInputViewModel;

// The move input's window, under the island; takes focus while shown.
class MoveInputPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 52};
    MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem, MoveInputViewModel& model);

    MoveInputView& view() { return *m_view; }

private:
    MoveInputView* m_view;
};
