// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastMoreFlow.h"

#include "menus/MoreMenuView.h"
#include "menus/MoreMenuViewModel.h"
#include "platform/Log.h"
#include "toast/MoreMenuPanel.h"
#include "toast/ShareAnchorPanel.h"
#include "toast/ToastFlowHost.h"
#include "toast/ToastInputs.h"

#include <algorithm>

using toastflow::soon;

ToastMoreFlow::ToastMoreFlow(ToastFlowHost& host, ToastInputs& inputs,
                             std::shared_ptr<WindowSystem> windowSystem,
                             const std::optional<std::vector<ShareTarget>>& shareTargets)
    : m_host(host), m_inputs(inputs), m_model(std::make_unique<MoreMenuViewModel>()),
      m_panel(std::make_unique<MoreMenuPanel>(windowSystem, *m_model)),
      m_sharePicker(shareTargets ? std::make_unique<SharePicker>(*shareTargets)
                                 : std::make_unique<SharePicker>()),
      m_shareAnchorPanel(std::make_unique<ShareAnchorPanel>(windowSystem))
{
    m_inputs.setPanel(ToastInput::more, *m_panel);
    m_inputs.setPanel(ToastInput::sharePicker, *m_shareAnchorPanel);
    QPointer<ToastMoreFlow> self(this);
    m_panel->view().onSelect = [self](MoreMenuAction action) {
        if (self)
            QMetaObject::invokeMethod(
                self.data(), [self, action] { self->perform(action); }, Qt::QueuedConnection);
    };
    m_panel->onMoveSelection = [self](int step) {
        if (self)
            self->m_model->moveSelection(step);
    };
    m_panel->onActivateSelection = soon<ToastMoreFlow>(this, [](ToastMoreFlow& f) {
        if (const auto action = f.m_model->selectedAction())
            f.perform(*action);
    });
    m_panel->onCancel = soon<ToastMoreFlow>(this, [](ToastMoreFlow& f) { f.close(true); });
    m_panel->onOpen =
        soon<ToastMoreFlow>(this, [](ToastMoreFlow& f) { f.perform(MoreMenuAction::open); });
    m_panel->onShare = soon<ToastMoreFlow>(
        this, [](ToastMoreFlow& f) { f.perform(MoreMenuAction::shareAndDelete); });
    m_panel->onCopy = soon<ToastMoreFlow>(
        this, [](ToastMoreFlow& f) { f.perform(MoreMenuAction::copyAndDelete); });
    m_panel->onDelete =
        soon<ToastMoreFlow>(this, [](ToastMoreFlow& f) { f.perform(MoreMenuAction::delete_); });
}

ToastMoreFlow::~ToastMoreFlow() = default;

void ToastMoreFlow::show()
{
    if (!m_inputs.canOpen())
        return;
    m_model->setSelectedIndex(0);
    if (const auto facts = m_host.currentScreenFacts())
        m_panel->setBodyGeometry(toastgeometry::inputPanelFrame(
            *facts, toastgeometry::moreMenuHeight(int(MoreMenuViewModel::items().size()))));
    m_inputs.open(ToastInput::more);
    m_panel->setFocus(); // the panel itself takes the keys
}

void ToastMoreFlow::close(bool restore)
{
    m_inputs.close(ToastInput::more, restore);
}

void ToastMoreFlow::perform(MoreMenuAction action)
{
    switch (action) {
    case MoreMenuAction::open:
        close(true);
        m_host.performOpen();
        break;
    case MoreMenuAction::shareAndDelete:
        // The picker opens over the menu, which keeps the keyboard until a
        // way is chosen: a picker whose menu window had closed first lost
        // the focus with it and closed at once.
        share();
        break;
    case MoreMenuAction::copyAndDelete:
        close(true);
        m_host.performCopy();
        break;
    case MoreMenuAction::delete_:
        close(true);
        m_host.performDelete();
        break;
    }
}

void ToastMoreFlow::share()
{
    if (m_host.isDeleting())
        return;
    QStringList files;
    for (const ToastEntry& entry : m_host.toastEntries()) {
        if (!entry.filePath.isEmpty())
            files.append(entry.filePath);
    }
    const auto facts = m_host.currentScreenFacts();
    if (files.isEmpty() || !facts) {
        m_host.hide();
        return;
    }
    m_host.setPaused(true);
    m_inputs.setOpen(ToastInput::sharePicker, true);
    m_inputs.rememberActiveWindow();
    QPointer<ToastMoreFlow> self(this);
    // Under the row that asked for it, or under the island.
    const auto& items = MoreMenuViewModel::items();
    const auto row = std::find_if(items.begin(), items.end(), [](const MoreMenuItem& item) {
        return item.action == MoreMenuAction::shareAndDelete;
    });
    const QRect anchor =
        m_inputs.isOpen(ToastInput::more)
            ? toastgeometry::moreMenuRow(m_panel->bodyGeometry(), int(row - items.begin()))
            : toastgeometry::shareAnchorRect(*facts);
    m_sharePicker->present(anchor, files, [self](std::optional<QString> service) {
        if (self)
            self->finishShare(service);
    });
}

void ToastMoreFlow::finishShare(const std::optional<QString>& service)
{
    if (!m_inputs.isOpen(ToastInput::sharePicker))
        return;
    m_inputs.setOpen(ToastInput::sharePicker, false);
    close(false);
    if (service) {
        VANTLE_DIAG(lcToast, QStringLiteral("ToastController.finishShare: service chosen — "
                                            "marking %1 file(s) temporary")
                                 .arg(m_host.toastEntries().size()));
        m_inputs.forgetActiveWindow(); // the chosen program has the focus now
        m_host.markTemporary();
        return;
    }
    m_inputs.restoreFocus();
    m_host.setPaused(false);
}
