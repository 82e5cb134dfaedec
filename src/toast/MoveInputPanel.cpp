// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoveInputPanel.h"

MoveInputPanel::MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("MoveInputPanel"));
}
