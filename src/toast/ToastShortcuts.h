// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyGrabber.h"

#include <QObject>
#include <vector>

class ToastController;

// The toast's keyboard shortcuts for whichever application has the keyboard:
// Super+Shift with T, M, ., O, C, S or Backspace, Super+Shift+Alt+T, and a
// bare Escape. They are taken exactly while the toast is expanded, on screen
// and holding files with no input of its own open, and given back otherwise;
// any other combination (Ctrl added, Shift missing) is never taken. While
// it offers to take a delete back, only Super+Shift+Z and Escape are. Alt is
// followed, not taken, while the toast is up, and swaps the first badge.
class ToastShortcuts : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        KeyGrabber::Combo combo;
        void (ToastController::*action)();
    };
    static const std::vector<Shortcut>& table();
    // While the toast offers to take a delete back: Super+Shift+Z and Escape.
    static const std::vector<Shortcut>& undoTable();

    ToastShortcuts(ToastController& controller, KeyGrabber& grabber);

private:
    // Grabs or releases to match the toast's state.
    void sync();
    // The shortcuts that act on what the toast shows now.
    const std::vector<Shortcut>& active() const;
    bool receivesKeys() const;
    bool isUp() const;
    void run(const KeyGrabber::Combo& combo);

    ToastController& m_controller;
    KeyGrabber& m_grabber;
};
