// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastShortcuts.h"

#include "platform/Log.h"
#include "toast/ToastController.h"
#include "toast/ToastPanel.h"

#include <QTimer>

namespace {

using K = KeyGrabber;
constexpr std::uint8_t command = K::super | K::shift;

} // namespace

const std::vector<ToastShortcuts::Shortcut>& ToastShortcuts::table()
{
    // X keysyms of the keys as printed on a US keyboard.
    static const std::vector<Shortcut> shortcuts{
        {{0x74, command}, &ToastController::markTemporary},          // t
        {{0x74, command | K::alt}, &ToastController::showTimeInput}, // t
        {{0x6d, command}, &ToastController::showMoveInput},          // m
        {{0x2e, command}, &ToastController::showMoreMenu},           // period
        {{0x6f, command}, &ToastController::performOpen},            // o
        {{0x63, command}, &ToastController::performCopy},            // c
        {{0x73, command}, &ToastController::share},                  // s
        {{0xff08, command}, &ToastController::performDelete},        // BackSpace
        {{0xff1b, 0}, &ToastController::dismissAll},                 // Escape
    };
    return shortcuts;
}

const std::vector<ToastShortcuts::Shortcut>& ToastShortcuts::undoTable()
{
    static const std::vector<Shortcut> shortcuts{
        {{0x7a, command}, &ToastController::undoDelete}, // z
        {{0xff1b, 0}, &ToastController::dismissAll},     // Escape
    };
    return shortcuts;
}

ToastShortcuts::ToastShortcuts(ToastController& controller, KeyGrabber& grabber)
    : m_controller(controller), m_grabber(grabber)
{
    connect(&m_controller, &ToastController::interactionChanged, this, &ToastShortcuts::sync);
    connect(&m_grabber, &KeyGrabber::pressed, this, &ToastShortcuts::run);
    connect(&m_grabber, &KeyGrabber::altHeldChanged, this, [this](bool held) {
        if (isUp())
            m_controller.setOptionHeld(held);
    });
    sync();
}

bool ToastShortcuts::isUp() const
{
    return m_controller.state() == DynamicIslandToastState::visible &&
           m_controller.panel().isOnScreen() && !m_controller.toastEntries().empty();
}

bool ToastShortcuts::receivesKeys() const
{
    // Files being trashed take no key until the Trash has answered.
    return isUp() && !m_controller.isAnyInputVisible() &&
           (m_controller.showsUndo() || !m_controller.isDeleting());
}

const std::vector<ToastShortcuts::Shortcut>& ToastShortcuts::active() const
{
    // Trashed files offer only "Undo".
    return m_controller.showsUndo() ? undoTable() : table();
}

void ToastShortcuts::sync()
{
    std::vector<KeyGrabber::Combo> combos;
    if (receivesKeys()) {
        for (const Shortcut& shortcut : active())
            combos.push_back(shortcut.combo);
    }
    m_grabber.setGrabbed(combos);
    // Alt is followed even with an input open: the badge under it still swaps.
    m_grabber.setFollowingAlt(isUp());
}

void ToastShortcuts::run(const KeyGrabber::Combo& combo)
{
    // The action runs after the key event is done with, on a toast that may
    // have changed meanwhile.
    QTimer::singleShot(0, this, [this, combo] {
        if (!receivesKeys())
            return;
        for (const Shortcut& shortcut : active()) {
            if (shortcut.combo == combo) {
                VANTLE_DIAG(lcToast, QStringLiteral("Shortcut ") + KeyGrabber::spelled(combo));
                (m_controller.*shortcut.action)();
                return;
            }
        }
    });
}
