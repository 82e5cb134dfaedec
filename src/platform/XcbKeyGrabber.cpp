// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/XcbKeyGrabber.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {

constexpr std::uint32_t altL = 0xffe9, altR = 0xffea, superL = 0xffeb, superR = 0xffec;

// Where a key sits on a US keyboard, as an evdev keycode plus 8 (what X
// servers on evdev and libinput use): a shortcut works on the key at that
// place on every layout, as desktop shortcut daemons do.
std::optional<std::uint8_t> usPositionOf(std::uint32_t keysym)
{
    static constexpr std::uint8_t letters[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23,
                                                 36, 37, 38, 50, 49, 24, 25, 16, 19,
                                                 31, 20, 22, 47, 17, 45, 21, 44};
    if (keysym >= 'a' && keysym <= 'z')
        return std::uint8_t(letters[keysym - 'a'] + 8);
    switch (keysym) {
    case '.':
        return 60;
    case ',':
        return 59;
    case '/':
        return 61;
    case 0xff08: // BackSpace
        return 22;
    case 0xff1b: // Escape
        return 9;
    default:
        return std::nullopt;
    }
}
constexpr std::uint32_t numLock = 0xff7f, scrollLock = 0xff14;
constexpr std::uint8_t badAccess = 10;
// Pointer buttons and the keyboard group share the state field with the modifiers.
constexpr std::uint16_t modifierBits = 0xff;

} // namespace

XcbKeyGrabber::XcbKeyGrabber(const XcbRoot& x) : m_x(x)
{
    const xcb_query_extension_reply_t* xinput =
        xcb_get_extension_data(m_x.connection, &xcb_input_id);
    if (xinput && xinput->present)
        m_xinputOpcode = xinput->major_opcode;
    // Qt takes keymap changes through XKB, and the server then spares its
    // connection the core MappingNotify.
    static const char xkb[] = "XKEYBOARD";
    XcbReply xkbExtension(xcb_query_extension_reply(
        m_x.connection, xcb_query_extension(m_x.connection, sizeof xkb - 1, xkb), nullptr));
    if (xkbExtension && xkbExtension->present)
        m_xkbFirstEvent = xkbExtension->first_event;
    readKeyboard();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XcbKeyGrabber::~XcbKeyGrabber()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    ungrabAll();
    selectRawKeys(false);
    xcb_flush(m_x.connection);
}

void XcbKeyGrabber::readKeyboard()
{
    const xcb_setup_t* setup = xcb_get_setup(m_x.connection);
    m_minKeycode = setup->min_keycode;
    const auto count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    XcbReply mapping(xcb_get_keyboard_mapping_reply(
        m_x.connection, xcb_get_keyboard_mapping(m_x.connection, m_minKeycode, count), nullptr));
    XcbReply modifiers(xcb_get_modifier_mapping_reply(
        m_x.connection, xcb_get_modifier_mapping(m_x.connection), nullptr));
    m_keysyms.clear();
    m_keysymsPerKeycode = 0;
    m_altMask = m_superMask = m_numLockMask = m_scrollLockMask = 0;
    m_altKeycodes.clear();
    if (!mapping || !modifiers)
        return;
    m_keysymsPerKeycode = mapping->keysyms_per_keycode;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.value);
    m_keysyms.assign(keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(mapping.value));

    auto bears = [this](std::uint32_t keycode, std::initializer_list<std::uint32_t> wanted) {
        const std::size_t first = std::size_t(keycode - m_minKeycode) * m_keysymsPerKeycode;
        for (std::size_t i = first; i < first + m_keysymsPerKeycode && i < m_keysyms.size(); ++i) {
            for (std::uint32_t keysym : wanted) {
                if (m_keysyms[i] == keysym)
                    return true;
            }
        }
        return false;
    };
    for (std::uint32_t keycode = m_minKeycode; keycode <= setup->max_keycode; ++keycode) {
        if (bears(keycode, {altL, altR}))
            m_altKeycodes.insert(keycode);
    }
    // Which of Mod1..Mod5 carries Alt, Super and the lock keys depends on the map.
    const xcb_keycode_t* modifierKeys = xcb_get_modifier_mapping_keycodes(modifiers.value);
    const int perModifier = modifiers->keycodes_per_modifier;
    for (int modifier = 3; modifier < 8; ++modifier) {
        const auto mask = std::uint16_t(1 << modifier);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = modifierKeys[modifier * perModifier + i];
            if (keycode == 0)
                continue;
            if (bears(keycode, {altL, altR}))
                m_altMask |= mask;
            if (bears(keycode, {superL, superR}))
                m_superMask |= mask;
            if (bears(keycode, {numLock}))
                m_numLockMask |= mask;
            if (bears(keycode, {scrollLock}))
                m_scrollLockMask |= mask;
        }
    }
}

std::vector<std::uint8_t> XcbKeyGrabber::keycodesOf(const Combo& combo) const
{
    std::vector<std::uint8_t> keycodes = symbolKeycodesOf(combo.keysym);
    // The key at the symbol's US place too, unless it carries a symbol of a
    // shortcut of its own. Only where Escape sits at its evdev place is the
    // map one whose places are known.
    const std::optional<std::uint8_t> place = usPositionOf(combo.keysym);
    const std::optional<std::uint8_t> escape = usPositionOf(0xff1b);
    const std::vector<std::uint8_t> escapes = symbolKeycodesOf(0xff1b);
    if (!place || std::find(escapes.begin(), escapes.end(), *escape) == escapes.end() ||
        std::find(keycodes.begin(), keycodes.end(), *place) != keycodes.end())
        return keycodes;
    for (const Combo& other : m_combos) {
        const std::vector<std::uint8_t> taken = symbolKeycodesOf(other.keysym);
        if (std::find(taken.begin(), taken.end(), *place) != taken.end())
            return keycodes;
    }
    keycodes.push_back(*place);
    return keycodes;
}

std::vector<std::uint8_t> XcbKeyGrabber::symbolKeycodesOf(std::uint32_t keysym) const
{
    // The key's own symbol, as on its cap: Shift does not change which key it is.
    std::vector<std::uint8_t> keycodes;
    for (std::size_t i = 0; m_keysymsPerKeycode > 0 && i < m_keysyms.size();
         i += m_keysymsPerKeycode) {
        if (m_keysyms[i] == keysym)
            keycodes.push_back(std::uint8_t(m_minKeycode + i / m_keysymsPerKeycode));
    }
    return keycodes;
}

std::uint16_t XcbKeyGrabber::maskOf(std::uint8_t modifiers) const
{
    std::uint16_t mask = 0;
    if (modifiers & shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & control)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & alt)
        mask |= m_altMask;
    if (modifiers & super)
        mask |= m_superMask;
    return mask;
}

void XcbKeyGrabber::setGrabbed(const std::vector<Combo>& combos)
{
    if (combos == m_combos)
        return;
    ungrabAll();
    m_combos = combos;
    grabAll();
    xcb_flush(m_x.connection);
}

void XcbKeyGrabber::grabAll()
{
    std::vector<std::uint16_t> locks{0};
    for (std::uint16_t lock : {std::uint16_t(XCB_MOD_MASK_LOCK), m_numLockMask, m_scrollLockMask}) {
        if (lock == 0)
            continue;
        const std::size_t count = locks.size();
        for (std::size_t i = 0; i < count; ++i)
            locks.push_back(locks[i] | lock);
    }
    struct Pending {
        xcb_void_cookie_t cookie;
        Grab grab;
    };
    std::vector<Pending> pending;
    for (const Combo& combo : m_combos) {
        const std::uint16_t mask = maskOf(combo.modifiers);
        const bool unmapped = (combo.modifiers & super && m_superMask == 0) ||
                              (combo.modifiers & alt && m_altMask == 0);
        for (std::uint8_t keycode : unmapped ? std::vector<std::uint8_t>{} : keycodesOf(combo)) {
            for (std::uint16_t lock : locks) {
                const Grab grab{keycode, std::uint16_t(mask | lock), combo};
                pending.push_back(
                    {xcb_grab_key_checked(m_x.connection, 1, m_x.root, grab.modifiers, keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                     grab});
            }
        }
    }
    // One round trip answers them all.
    for (const Pending& p : pending) {
        XcbReply error(xcb_request_check(m_x.connection, p.cookie));
        if (!error) {
            m_grabs.push_back(p.grab);
            continue;
        }
        const QString name = spelled(p.grab.combo);
        if (!m_refusedLogged.contains(name)) {
            m_refusedLogged.insert(name);
            VANTLE_DIAG(lcPlatform,
                        error->error_code == badAccess
                            ? QStringLiteral("Shortcut ") + name +
                                  QStringLiteral(" is held by another application; it stays there")
                            : QStringLiteral("Shortcut ") + name +
                                  QStringLiteral(" could not be grabbed (X error %1)")
                                      .arg(error->error_code));
        }
    }
}

void XcbKeyGrabber::ungrabAll()
{
    for (const Grab& grab : m_grabs)
        xcb_ungrab_key(m_x.connection, grab.keycode, m_x.root, grab.modifiers);
    m_grabs.clear();
}

void XcbKeyGrabber::setFollowingAlt(bool follow)
{
    if (m_xinputOpcode == 0)
        return;
    const bool started = follow && !m_following;
    if (follow != m_following) {
        m_following = follow;
        selectRawKeys(follow);
    }
    const bool wasHeld = !m_altsDown.isEmpty();
    m_altsDown.clear();
    if (follow) {
        // Alt may be down already, or have been let go unseen while one of
        // our windows had the keyboard: the server says where it stands.
        XcbReply keymap(
            xcb_query_keymap_reply(m_x.connection, xcb_query_keymap(m_x.connection), nullptr));
        for (std::uint32_t keycode : std::as_const(m_altKeycodes)) {
            if (keymap && keycode < 256 && (keymap->keys[keycode / 8] >> (keycode % 8)) & 1)
                m_altsDown.insert(keycode);
        }
        if (started || wasHeld != !m_altsDown.isEmpty())
            Q_EMIT altHeldChanged(!m_altsDown.isEmpty());
    }
    xcb_flush(m_x.connection);
}

void XcbKeyGrabber::selectRawKeys(bool on)
{
    if (m_xinputOpcode == 0)
        return;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS |
                                   XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE)
                   : 0u};
    xcb_input_xi_select_events(m_x.connection, m_x.root, 1, &selection.head);
}

bool XcbKeyGrabber::handleKeyPress(std::uint8_t keycode, std::uint16_t state)
{
    const auto locks = std::uint16_t(XCB_MOD_MASK_LOCK | m_numLockMask | m_scrollLockMask);
    const auto held = std::uint16_t(state & modifierBits & ~locks);
    // The keys were worked out when they were grabbed.
    for (const Grab& grab : m_grabs) {
        if (grab.keycode == keycode && std::uint16_t(grab.modifiers & ~locks) == held) {
            Q_EMIT pressed(grab.combo);
            return true;
        }
    }
    return false;
}

void XcbKeyGrabber::handleRawKey(std::uint32_t keycode, bool down)
{
    if (!m_following || !m_altKeycodes.contains(keycode))
        return;
    const bool before = !m_altsDown.isEmpty();
    if (down)
        m_altsDown.insert(keycode);
    else
        m_altsDown.remove(keycode);
    if (before != !m_altsDown.isEmpty())
        Q_EMIT altHeldChanged(!before);
}

void XcbKeyGrabber::remap()
{
    // Another layout or modifier map: the same combinations on new keycodes.
    readKeyboard();
    if (!m_combos.empty()) {
        ungrabAll();
        grabAll();
        xcb_flush(m_x.connection);
    }
}

bool XcbKeyGrabber::nativeEventFilter(const QByteArray& type, void* message, qintptr*)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t kind = event->response_type & 0x7f;
    // XKB's NewKeyboardNotify (0) and MapNotify (1), in the byte after the type.
    if (m_xkbFirstEvent != 0 && kind == m_xkbFirstEvent && event->pad0 <= 1) {
        remap();
        return false;
    }
    switch (kind) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != m_x.root || m_grabs.empty())
            return false;
        // Releases of a grabbed key come to the root too; nobody else wants them.
        if ((event->response_type & 0x7f) == XCB_KEY_RELEASE) {
            for (const Grab& grab : m_grabs) {
                if (grab.keycode == key->detail)
                    return true;
            }
            return false;
        }
        return handleKeyPress(key->detail, key->state);
    }
    case XCB_MAPPING_NOTIFY:
        remap();
        return false; // Qt follows the keymap too
    case XCB_GE_GENERIC: {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (m_xinputOpcode == 0 || generic->extension != m_xinputOpcode)
            return false;
        if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
            generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
            return false;
        const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
        handleRawKey(raw->detail, generic->event_type == XCB_INPUT_RAW_KEY_PRESS);
        return true;
    }
    default:
        return false;
    }
}
