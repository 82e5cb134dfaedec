// SPDX-License-Identifier: GPL-3.0-or-later
// The custom-lifetime flow of the toast: open the input, mark every queued
// file with the typed lifetime, or close and resume.
#include "toast/ToastController.h"

#include "expiry/TimeInputViewModel.h"
#include "toast/TimeInputPanel.h"
#include "toast/TimeInputView.h"
#include "toast/ToastGeometry.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

void ToastController::installTimeInput()
{
    m_timeInputModel = std::make_unique<TimeInputViewModel>();
    m_timeInputPanel = std::make_unique<TimeInputPanel>(m_services.windowSystem, *m_timeInputModel);
    QPointer<ToastController> self(this);
    m_timeInputPanel->view().setActions({
        [self] {
            if (self)
                self->later([](ToastController& c) { c.placeTimeInput(); });
        },
        [self] {
            if (self)
                self->later([](ToastController& c) { c.submitCustomTime(); });
        },
        [self] {
            if (self)
                self->later([](ToastController& c) { c.closeTimeInput(); });
        },
    });
}

void ToastController::placeTimeInput()
{
    const QScreen* screen =
        m_currentScreen ? m_currentScreen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const int height = m_timeInputPanel->withShadowRoom(
        toastgeometry::timeInputHeight(m_timeInputModel->showsResultRow()));
    m_timeInputPanel->setGeometry(
        toastgeometry::inputPanelFrame({screen->geometry(), screen->availableGeometry()}, height));
}

void ToastController::showTimeInput()
{
    if (m_state != DynamicIslandToastState::visible || isAnyInputVisible())
        return;
    m_timeInputModel->reset();
    placeTimeInput();
    openInput(Input::time);
    m_timeInputPanel->view().field().setFocus();
}

void ToastController::submitCustomTime()
{
    const std::optional<ParsedDuration> parsed = m_timeInputModel->parsed();
    if (!parsed)
        return; // the panel stays open for another try
    const std::vector<RecordId> ids = queuedIds();
    if (!ids.empty())
        markRecordsTemporary(ids, parsed->interval);
    closeTimeInput();
    if (!ids.empty())
        hide();
}

void ToastController::closeTimeInput()
{
    closeInput(Input::time);
}
