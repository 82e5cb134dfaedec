// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <functional>

class MoveInputView;
class MoveInputViewModel;

// The move input's window, under the island; takes focus while shown.
// Super+N makes the folder offered in the "Create" row, Super+B browses.
class MoveInputPanel : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr QSize initialSize{480, 52};
    MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem, MoveInputViewModel& model);

    MoveInputView& view() { return *m_view; }

    std::function<void()> onCreateNew;
    std::function<void()> onBrowse;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    MoveInputView* m_view;
};
