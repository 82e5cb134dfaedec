// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoreMenuPanel.h"

MoreMenuPanel::MoreMenuPanel(std::shared_ptr<WindowSystem> windowSystem)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("MoreMenuPanel"));
}
