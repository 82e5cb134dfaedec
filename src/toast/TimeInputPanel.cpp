// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/TimeInputPanel.h"

#include "toast/TimeInputView.h"

#include <QVBoxLayout>

TimeInputPanel::TimeInputPanel(std::shared_ptr<WindowSystem> windowSystem,
                               TimeInputViewModel& model)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("TimeInputPanel"));
    setWindowTitle(QStringLiteral("Custom time"));
    m_view = new TimeInputView(model, hasCompositor(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The controller sizes the panel to what it shows; a minimum kept from
    // an earlier, longer list would stretch it when it opens again.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(m_view);
}
