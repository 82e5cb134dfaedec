// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"
#include "platform/Xcb.h"

#include <QRegularExpression>
#include <xcb/xcb.h>

namespace {

class ShortcutsTest : public ToastOnScreen {
protected:
    // A download, and the island expanded with it (its keys are taken then).
    void toastWith(const QString& name)
    {
        download(name);
        ASSERT_TRUE(waitUntil([&] {
            const QImage screen = screenshot("shortcuts.png");
            return !screen.isNull() && qGray(screen.pixel(960, 40)) == 0 &&
                   qGray(screen.pixel(714, 40)) == 0;
        }));
    }

    // How many key presses of `keysym` ("T", "Escape") the focused window got.
    int pressesSeen(const QString& keysym)
    {
        const QRegularExpression press(
            QStringLiteral("KeyPress event[^\\n]*\\n[^\\n]*\\n[^\\n]*\\(keysym 0x[0-9a-f]+, ") +
            QRegularExpression::escape(keysym) + QStringLiteral("\\)"));
        int count = 0;
        for (auto it = press.globalMatch(focusEvents()); it.hasNext(); it.next())
            ++count;
        return count;
    }
    // Waits until xev has reported `count` presses of `keysym`, and no more.
    bool seesPresses(const QString& keysym, int count)
    {
        waitUntil([&] { return pressesSeen(keysym) >= count; }, std::chrono::milliseconds(1500));
        return pressesSeen(keysym) == count;
    }
    void key(const QString& combination) { runTool("xdotool", {"key", combination}); }
};

// Another client's passive grab of Super+Shift+M (with any lock key), held
// for the life of the object.
class ForeignGrab {
public:
    ForeignGrab()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        m_root = xcb_setup_roots_iterator(setup).data->root;
        const auto count = std::uint8_t(setup->max_keycode - setup->min_keycode + 1);
        XcbReply mapping(xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count),
            nullptr));
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.value);
        for (int i = 0; i < count; ++i) {
            if (keysyms[i * mapping->keysyms_per_keycode] == 0x6d) // m
                m_keycode = std::uint8_t(setup->min_keycode + i);
        }
        for (int locks :
             {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2})
            xcb_grab_key(m_connection, 1, m_root,
                         std::uint16_t(XCB_MOD_MASK_4 | XCB_MOD_MASK_SHIFT | locks), m_keycode,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        XcbReply focus(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    ~ForeignGrab() { xcb_disconnect(m_connection); }
    bool holds() const { return m_keycode != 0; }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::uint8_t m_keycode = 0;
};

} // namespace

TEST_F(ShortcutsTest, SuperShiftTMarksTheFilesAndTheApplicationNeverSeesIt)
{
    toastWith("report.pdf");
    key("super+shift+t");
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    EXPECT_TRUE(seesPresses("T", 0));
    EXPECT_EQ(activeWindow(), m_focusId);

    // With no toast, nothing is taken.
    key("super+shift+t");
    key("Escape");
    EXPECT_TRUE(seesPresses("T", 1));
    EXPECT_TRUE(seesPresses("Escape", 1));
}

TEST_F(ShortcutsTest, OtherCombinationsPassAndEscapeDismisses)
{
    toastWith("slides.pdf");
    key("ctrl+super+shift+t");
    key("super+t");
    key("shift+Escape");
    EXPECT_TRUE(seesPresses("T", 1));
    EXPECT_TRUE(seesPresses("t", 1));
    EXPECT_TRUE(seesPresses("Escape", 1));
    EXPECT_EQ(recordState("slides.pdf"), "unprocessed");
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return recordState("slides.pdf") == "dismissed"; }));
    EXPECT_TRUE(seesPresses("Escape", 1));
}

TEST_F(ShortcutsTest, WithTheMovePanelOpenTypedKeysGoToThePanel)
{
    toastWith("contract.pdf");
    key("super+shift+m");
    ASSERT_TRUE(waitUntil([&] { return activeWindow() != m_focusId; }));
    runTool("xdotool", {"type", "--delay", "40", "alp"});
    key("Return");
    ASSERT_TRUE(waitUntil(
        [&] { return QFile::exists(m_vantle->home() + "/Projects/Alpha/contract.pdf"); }));
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    EXPECT_TRUE(seesPresses("a", 0));
}

TEST_F(ShortcutsTest, AShortcutHeldElsewhereIsSkippedAndLockKeysChangeNothing)
{
    ForeignGrab grab;
    ASSERT_TRUE(grab.holds());
    key("Caps_Lock");
    key("Num_Lock");
    toastWith("photo.jpg");
    key("super+shift+m"); // goes to the other client
    key("super+shift+t");
    const bool marked = waitUntil([&] { return recordState("photo.jpg") == "temporary"; });
    key("Caps_Lock");
    key("Num_Lock");
    EXPECT_TRUE(marked);
    EXPECT_EQ(activeWindow(), m_focusId);
    EXPECT_TRUE(seesPresses("T", 0));
}

TEST_F(ShortcutsTest, HoldingAltSwapsTheFirstBadgeWhileTheApplicationSeesAlt)
{
    toastWith("notes.txt");
    const QRect badge(780, 44, 160, 32);
    // Once the island's spring has settled.
    QImage before;
    ASSERT_TRUE(waitUntil([&] {
        const QImage last = before;
        before = screenshot("badge.png").copy(badge);
        return before == last;
    }));
    runTool("xdotool", {"keydown", "alt"});
    const bool swapped =
        waitUntil([&] { return screenshot("badge-alt.png").copy(badge) != before; });
    runTool("xdotool", {"keyup", "alt"});
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(waitUntil([&] { return screenshot("badge.png").copy(badge) == before; }));
    EXPECT_TRUE(seesPresses("Alt_L", 1));
}
