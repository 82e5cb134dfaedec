// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ShareAnchorPanel.h"

ShareAnchorPanel::ShareAnchorPanel(std::shared_ptr<WindowSystem> windowSystem)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("ShareAnchorPanel"));
}
