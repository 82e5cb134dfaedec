// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoveInputPanel.h"

#include "toast/MoveInputView.h"

#include <QVBoxLayout>

MoveInputPanel::MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem,
                               MoveInputViewModel& model)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("MoveInputPanel"));
    setWindowTitle(QStringLiteral("Move to folder"));
    m_view = new MoveInputView(model, hasCompositor(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The controller sizes the panel to what it shows; a minimum kept from
    // an earlier, longer list would stretch it when it opens again.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(m_view);
}
