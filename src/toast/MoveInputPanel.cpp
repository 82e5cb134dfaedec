// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoveInputPanel.h"

#include "toast/MoveInputView.h"

#include <QKeyEvent>
#include <QVBoxLayout>

MoveInputPanel::MoveInputPanel(std::shared_ptr<WindowSystem> windowSystem,
                               MoveInputViewModel& model)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("MoveInputPanel"));
    m_view = new MoveInputView(model, hasCompositor(), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void MoveInputPanel::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const std::function<void()>* action = nullptr;
    if (modifiers == Qt::MetaModifier && event->key() == Qt::Key_N)
        action = &onCreateNew;
    else if (modifiers == Qt::MetaModifier && event->key() == Qt::Key_B)
        action = &onBrowse;
    if (action && *action)
        (*action)();
    else
        FloatingPanel::keyPressEvent(event);
}
