// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Key combinations taken from whichever application has the keyboard, for
// as long as they are grabbed, and the Alt key followed without taking it.
class KeyGrabber : public QObject {
    Q_OBJECT
public:
    enum Modifier : std::uint8_t { shift = 1, control = 2, alt = 4, super = 8 };
    struct Combo {
        std::uint32_t keysym = 0; // the X keysym of the unshifted key, e.g. 0x74 for t
        std::uint8_t modifiers = 0;
        friend bool operator==(const Combo&, const Combo&) = default;
    };

    // Takes exactly these combinations, whatever lock keys are on; an empty
    // list gives every key back.
    virtual void setGrabbed(const std::vector<Combo>& combos) = 0;
    // Reports Alt going down and up while true; nothing is taken.
    virtual void setFollowingAlt(bool follow) = 0;

    // "Super+Shift+T".
    static QString spelled(const Combo& combo);
    // What a keycap shows for a spelled combination: modifiers named as
    // desktop shortcut settings name them, Shift and Backspace as keyboards
    // print them ("Super+Shift+T" gives "Super⇧T", "Super+Shift+Alt+T"
    // "Super⇧Alt T").
    static QString keycap(const QString& spelled);

Q_SIGNALS:
    // A grabbed combination was pressed.
    void pressed(KeyGrabber::Combo combo);
    void altHeldChanged(bool held);
};

// The X11 grabber when Qt runs on xcb, else one that never grabs anything
// (a Wayland session has no way to take keys from other applications).
std::unique_ptr<KeyGrabber> makeKeyGrabber();
