// SPDX-License-Identifier: GPL-3.0-or-later
// The toast's input panels: at most one is open at a time; opening one
// pauses the countdown and takes the keyboard, closing it gives both back.
#include "toast/ToastController.h"

#include "platform/WindowSystem.h"
#include "toast/MoreMenuPanel.h"
#include "toast/MoveInputPanel.h"
#include "toast/ShareAnchorPanel.h"
#include "toast/TimeInputPanel.h"
#include "toast/ToastGeometry.h"

#include <QGuiApplication>

std::optional<toastgeometry::ScreenFacts> ToastController::currentScreenFacts() const
{
    const QScreen* screen =
        m_currentScreen ? m_currentScreen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return std::nullopt;
    return toastgeometry::ScreenFacts{screen->geometry(), screen->availableGeometry()};
}

void ToastController::appDidResignActive()
{
    closeAllInputPanels();
}

void ToastController::closeAllInputPanels()
{
    // Focus is where the user put it: it is not taken back to where they were.
    bool closed = false;
    for (Input input : {Input::move, Input::time, Input::more}) {
        if (inputFlag(input)) {
            closeInput(input, false);
            closed = true;
        }
    }
    if (closed) {
        m_previouslyActiveWindow = 0;
        setPaused(false);
    }
}

bool& ToastController::inputFlag(Input input)
{
    switch (input) {
    case Input::move:
        return m_isMoveInputVisible;
    case Input::time:
        return m_isTimeInputVisible;
    case Input::more:
        break;
    }
    return m_isMoreVisible;
}

FloatingPanel* ToastController::inputPanel(Input input) const
{
    switch (input) {
    case Input::move:
        return m_inputPanel.get();
    case Input::time:
        return m_timeInputPanel.get();
    case Input::more:
        break;
    }
    return m_morePanel.get();
}

bool ToastController::isInputVisible(Input input) const
{
    return const_cast<ToastController*>(this)->inputFlag(input);
}

bool ToastController::isAnyInputVisible() const
{
    return m_isMoveInputVisible || m_isTimeInputVisible || m_isMoreVisible ||
           m_isSharePickerVisible || m_isFolderChooserVisible;
}

void ToastController::openInput(Input input)
{
    // Trashed files offer nothing but Undo.
    if (m_state != DynamicIslandToastState::visible || isAnyInputVisible() || m_showsUndo)
        return;
    inputFlag(input) = true;
    Q_EMIT interactionChanged();
    setPaused(true);
    FloatingPanel* panel = inputPanel(input);
    if (const auto facts = currentScreenFacts())
        panel->setGeometry(toastgeometry::inputPanelFrame(*facts, panel->height()));
    m_previouslyActiveWindow = m_services.windowSystem->activeWindow();
    panel->setAlpha(0.0);
    panel->makeKeyAndOrderFront();
    panel->fadeTo(1.0, m_timing.inputFadeIn);
}

void ToastController::restoreFocus()
{
    if (m_previouslyActiveWindow != 0)
        m_services.windowSystem->activate(m_previouslyActiveWindow);
    m_previouslyActiveWindow = 0;
}

void ToastController::closeInput(Input input, bool restore)
{
    if (!inputFlag(input))
        return;
    inputFlag(input) = false;
    Q_EMIT interactionChanged();
    if (restore) {
        restoreFocus();
        setPaused(false);
    }
    FloatingPanel* panel = inputPanel(input);
    panel->fadeTo(0.0, m_timing.inputFadeOut, [this, input, panel] {
        // A panel opened again during the fade stays.
        if (!inputFlag(input)) {
            panel->orderOut();
            panel->setAlpha(1.0);
        }
    });
}
