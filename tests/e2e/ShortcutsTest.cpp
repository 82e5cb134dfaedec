// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"
#include "platform/Xcb.h"

#include <QScopeGuard>
#include <xcb/xcb.h>

using ShortcutsTest = ToastOnScreen;

namespace {

// Another client's passive grab of Super+Shift+M (with any lock key), held
// until the connection is closed.
auto grabSuperShiftM()
{
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), xcb_disconnect);
    xcb_connection_t* const c = connection.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
    XcbReply mapping(xcb_get_keyboard_mapping_reply(
        c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.value);
    std::uint8_t keycode = 0;
    for (int i = 0; i < count; ++i) {
        if (keysyms[i * mapping->keysyms_per_keycode] == 0x6d) // m
            keycode = std::uint8_t(setup->min_keycode + i);
    }
    EXPECT_NE(keycode, 0) << "no key gives m";
    for (int locks :
         {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2})
        xcb_grab_key(c, 1, xcb_setup_roots_iterator(setup).data->root,
                     std::uint16_t(XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | locks), keycode,
                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    // A round trip: the grabs are in place once it is answered.
    XcbReply focus(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return connection;
}

} // namespace

TEST_F(ShortcutsTest, OnlyEscapeAndSuperShiftTAreTakenAndOnlyWhileTheToastShows)
{
    download("slides.pdf");
    // A click on the toast window's transparent part reaches the window below.
    runTool("xdotool", {"mousemove", "600", "110", "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return focusEvents().contains("ButtonPress event"); }));
    key("ctrl+super+shift+t");
    key("super+t");
    key("shift+Escape");
    EXPECT_TRUE(seesPresses("T", 1));
    EXPECT_TRUE(seesPresses("t", 1));
    EXPECT_TRUE(seesPresses("Escape", 1));
    EXPECT_EQ(recordState("slides.pdf"), "unprocessed");
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return recordState("slides.pdf") == "dismissed"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    download("report.pdf");
    key("super+shift+t");
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    EXPECT_EQ(activeWindow(), m_focusId);
    // With no toast, nothing is taken; what was taken before never arrives.
    key("super+shift+t");
    key("Escape");
    EXPECT_TRUE(seesPresses("T", 2));
    EXPECT_TRUE(seesPresses("Escape", 2));
}

TEST_F(ShortcutsTest, AShortcutHeldElsewhereIsSkippedAndLockKeysChangeNothing)
{
    const auto grab = grabSuperShiftM();
    key("Caps_Lock");
    key("Num_Lock");
    download("photo.jpg");
    key("super+shift+m"); // goes to the other client
    key("super+shift+t");
    const bool marked = waitUntil([&] { return recordState("photo.jpg") == "temporary"; });
    key("Caps_Lock");
    key("Num_Lock");
    EXPECT_TRUE(marked);
    EXPECT_EQ(activeWindow(), m_focusId);
    EXPECT_TRUE(seesPresses("T", 0));
}

// On a French layout the key right of M types ":" and "/", and "." is
// shifted elsewhere: the shortcut for More stays on the key where it is on
// a US keyboard.
TEST_F(ShortcutsTest, AShortcutKeepsItsPlaceOnAnotherLayout)
{
    runTool("setxkbmap", {"fr"});
    const auto restore = qScopeGuard([] { runTool("setxkbmap", {"us"}); });
    download("minutes.pdf");
    key("super+shift+colon");
    ASSERT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    EXPECT_TRUE(seesPresses("slash", 0));
}
