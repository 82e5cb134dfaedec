// SPDX-License-Identifier: GPL-3.0-or-later
// The More menu and the sharing picker of the toast.
#include "toast/ToastController.h"

#include "menus/MoreMenuView.h"
#include "menus/MoreMenuViewModel.h"
#include "platform/Log.h"
#include "platform/WindowSystem.h"
#include "toast/MoreMenuPanel.h"
#include "toast/SharePicker.h"
#include "toast/ToastGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

void ToastController::installMoreMenu()
{
    m_moreModel = std::make_unique<MoreMenuViewModel>();
    m_morePanel = std::make_unique<MoreMenuPanel>(m_services.windowSystem, *m_moreModel);
    m_sharePicker = m_services.shareTargets
                        ? std::make_unique<SharePicker>(*m_services.shareTargets)
                        : std::make_unique<SharePicker>();
    QPointer<ToastController> self(this);
    // Every callback runs in a later turn, and not at all once the controller is gone.
    auto soon = [self](std::function<void(ToastController&)> work) {
        return [self, work] {
            if (self)
                self->later(work);
        };
    };
    m_morePanel->view().onSelect = [self](MoreMenuAction action) {
        if (self)
            self->later([action](ToastController& c) { c.performMoreAction(action); });
    };
    m_morePanel->onMoveSelection = [self](int step) {
        if (self)
            self->m_moreModel->moveSelection(step);
    };
    m_morePanel->onActivateSelection = soon([](ToastController& c) {
        if (const auto action = c.m_moreModel->selectedAction())
            c.performMoreAction(*action);
    });
    m_morePanel->onCancel = soon([](ToastController& c) { c.closeMoreMenu(true); });
    m_morePanel->onOpen =
        soon([](ToastController& c) { c.performMoreAction(MoreMenuAction::open); });
    m_morePanel->onShare =
        soon([](ToastController& c) { c.performMoreAction(MoreMenuAction::shareAndDelete); });
    m_morePanel->onCopy =
        soon([](ToastController& c) { c.performMoreAction(MoreMenuAction::copyAndDelete); });
    m_morePanel->onDelete =
        soon([](ToastController& c) { c.performMoreAction(MoreMenuAction::delete_); });
}

void ToastController::showMoreMenu()
{
    if (m_state != DynamicIslandToastState::visible || isAnyInputVisible())
        return;
    m_moreModel->setSelectedIndex(0);
    if (const auto facts = currentScreenFacts())
        m_morePanel->setGeometry(toastgeometry::inputPanelFrame(
            *facts, m_morePanel->withShadowRoom(
                        toastgeometry::moreMenuHeight(int(MoreMenuViewModel::items().size())))));
    openInput(Input::more);
    m_morePanel->setFocus(); // the panel itself takes the keys
}

void ToastController::closeMoreMenu(bool restore)
{
    closeInput(Input::more, restore);
}

void ToastController::performMoreAction(MoreMenuAction action)
{
    switch (action) {
    case MoreMenuAction::open:
        closeMoreMenu(true);
        performOpen();
        break;
    case MoreMenuAction::shareAndDelete:
        // The picker opens over the menu, which keeps the keyboard until a
        // way is chosen: a picker whose menu window had closed first lost
        // the focus with it and closed at once.
        share();
        break;
    case MoreMenuAction::copyAndDelete:
        closeMoreMenu(true);
        performCopy();
        break;
    case MoreMenuAction::delete_:
        closeMoreMenu(true);
        performDelete();
        break;
    }
}

void ToastController::share()
{
    if (m_showsUndo)
        return;
    const QStringList files = fileUrls();
    const auto facts = currentScreenFacts();
    if (files.isEmpty() || !facts) {
        hide();
        return;
    }
    setPaused(true);
    m_isSharePickerVisible = true;
    Q_EMIT interactionChanged();
    if (m_previouslyActiveWindow == 0)
        m_previouslyActiveWindow = m_services.windowSystem->activeWindow();
    QPointer<ToastController> self(this);
    // Under the row that asked for it, or under the island.
    const auto& items = MoreMenuViewModel::items();
    const auto row = std::find_if(items.begin(), items.end(), [](const MoreMenuItem& item) {
        return item.action == MoreMenuAction::shareAndDelete;
    });
    const QRect anchor = m_isMoreVisible ? toastgeometry::moreMenuRow(m_morePanel->bodyGeometry(),
                                                                      int(row - items.begin()))
                                         : toastgeometry::shareAnchorRect(*facts);
    m_sharePicker->present(anchor, files, [self](std::optional<QString> service) {
        if (self)
            self->finishShare(service);
    });
}

void ToastController::finishShare(const std::optional<QString>& service)
{
    if (!m_isSharePickerVisible)
        return;
    m_isSharePickerVisible = false;
    Q_EMIT interactionChanged();
    closeMoreMenu(false);
    if (service) {
        VANTLE_DIAG(lcToast, QStringLiteral("ToastController.finishShare: service chosen — "
                                            "marking %1 file(s) temporary")
                                 .arg(m_toastEntries.size()));
        m_previouslyActiveWindow = 0; // the chosen program has the focus now
        markTemporary();
        return;
    }
    restoreFocus();
    setPaused(false);
}
