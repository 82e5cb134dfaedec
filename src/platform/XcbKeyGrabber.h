// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/KeyGrabber.h"
#include "platform/Xcb.h"

#include <QAbstractNativeEventFilter>
#include <QSet>
#include <map>

// Passive key grabs on the root window through Qt's own xcb connection, one
// for each combination and each mix of the lock modifiers (CapsLock, NumLock,
// ScrollLock) found in the live modifier map, so that lock keys never stop a
// shortcut. A grab another client holds is logged once and skipped. Alt is
// followed through XInput2 raw key events, which every client keeps seeing.
class XcbKeyGrabber final : public KeyGrabber, public QAbstractNativeEventFilter {
public:
    explicit XcbKeyGrabber(const XcbRoot& x);
    ~XcbKeyGrabber() override;

    void setGrabbed(const std::vector<Combo>& combos) override;
    void setFollowingAlt(bool follow) override;
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t keycode;
        std::uint16_t modifiers; // X modifier mask, locks included
        Combo combo;
    };
    void readKeyboard();
    void remap();
    // The keys a combination is pressed on: those bearing its symbol, and
    // the one at the symbol's place on a US keyboard.
    std::vector<std::uint8_t> keycodesOf(const Combo& combo) const;
    std::vector<std::uint8_t> symbolKeycodesOf(std::uint32_t keysym) const;
    std::uint16_t maskOf(std::uint8_t modifiers) const;
    void grabAll();
    void ungrabAll();
    void selectRawKeys(bool on);
    bool handleKeyPress(std::uint8_t keycode, std::uint16_t state);
    void handleRawKey(std::uint32_t keycode, bool down);

    XcbRoot m_x;
    std::vector<Combo> m_combos;
    std::vector<Grab> m_grabs;
    QSet<QString> m_refusedLogged;
    // The keyboard as last read: keysyms per keycode and the modifier masks.
    std::uint8_t m_minKeycode = 0;
    std::uint8_t m_keysymsPerKeycode = 0;
    std::vector<std::uint32_t> m_keysyms;
    std::uint16_t m_altMask = 0;
    std::uint16_t m_superMask = 0;
    std::uint16_t m_numLockMask = 0;
    std::uint16_t m_scrollLockMask = 0;
    QSet<std::uint32_t> m_altKeycodes;
    QSet<std::uint32_t> m_altsDown;
    bool m_following = false;
    std::uint8_t m_xinputOpcode = 0; // 0: no XInput2, so Alt is not followed
    std::uint8_t m_xkbFirstEvent = 0;
};
