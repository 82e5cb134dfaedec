// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/TimeInputPanel.h"

TimeInputPanel::TimeInputPanel(std::shared_ptr<WindowSystem> windowSystem)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("TimeInputPanel"));
}
