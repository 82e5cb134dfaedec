// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/MoreMenuPanel.h"

#include "menus/MoreMenuView.h"
#include "menus/MoreMenuViewModel.h"

#include <QKeyEvent>
#include <QVBoxLayout>

MoreMenuPanel::MoreMenuPanel(std::shared_ptr<WindowSystem> windowSystem, MoreMenuViewModel& model)
    : FloatingPanel(Focus::whenShown, initialSize, std::move(windowSystem))
{
    setObjectName(QStringLiteral("MoreMenuPanel"));
    setFocusPolicy(Qt::StrongFocus);
    m_view = new MoreMenuView(model, hasCompositor(), this);
    // The rows are painted and the panel keeps the keyboard: a screen reader
    // hears the highlighted row as the panel's name.
    auto followHighlight = [this, &model] {
        for (const MoreMenuItem& item : MoreMenuViewModel::items()) {
            if (item.id == model.selectedIndex())
                setAccessibleName(item.title);
        }
    };
    connect(&model, &MoreMenuViewModel::selectedIndexChanged, this, followHighlight);
    followHighlight();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void MoreMenuPanel::keyPressEvent(QKeyEvent* event)
{
    auto call = [](const std::function<void()>& action) {
        if (action)
            action();
    };
    // Super is the command key; Ctrl added makes a combination not ours.
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (modifiers == (Qt::MetaModifier | Qt::ShiftModifier)) {
        switch (event->key()) {
        case Qt::Key_O:
            return call(onOpen);
        case Qt::Key_S:
            return call(onShare);
        case Qt::Key_C:
            return call(onCopy);
        case Qt::Key_Backspace:
            return call(onDelete);
        default:
            break;
        }
    }
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (onMoveSelection)
            onMoveSelection(event->key() == Qt::Key_Up ? -1 : 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return call(onActivateSelection);
    case Qt::Key_Escape:
        return call(onCancel);
    default:
        FloatingPanel::keyPressEvent(event);
    }
}
