// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastShortcuts.h"
#include "ToastFixture.h"

#include <algorithm>

namespace {

using K = KeyGrabber;

// A grabbed combination goes to the grabber, anything else to the focused application.
class FakeKeyGrabber final : public KeyGrabber {
public:
    void setGrabbed(const std::vector<Combo>& combos) override { grabbed = combos; }
    void setFollowingAlt(bool follow) override { following = follow; }
    bool press(Combo combo)
    {
        if (std::find(grabbed.begin(), grabbed.end(), combo) == grabbed.end())
            return false;
        Q_EMIT pressed(combo);
        return true;
    }
    void alt(bool held)
    {
        if (following)
            Q_EMIT altHeldChanged(held);
    }

    std::vector<Combo> grabbed;
    bool following = false;
};

class ToastShortcutsTest : public ToastFixture {
protected:
    void SetUp() override
    {
        ToastFixture::SetUp();
        allowWarning(QStringLiteral("This plugin does not support")); // offscreen menus
        m_shortcuts = std::make_unique<ToastShortcuts>(*m_controller, m_grabber);
    }
    void TearDown() override
    {
        m_shortcuts.reset();
        ToastFixture::TearDown();
    }

    FakeKeyGrabber m_grabber;
    std::unique_ptr<ToastShortcuts> m_shortcuts;
};

constexpr std::uint8_t command = K::super | K::shift;
constexpr std::uint32_t escape = 0xff1b, z = 0x7a;

} // namespace

TEST_F(ToastShortcutsTest, KeysAreTakenOnlyWhileTheToastIsUpWithNoInputOpen)
{
    EXPECT_TRUE(m_grabber.grabbed.empty());
    EXPECT_FALSE(m_grabber.following);
    showFile("a.pdf");
    EXPECT_EQ(m_grabber.grabbed.size(), ToastShortcuts::table().size());
    m_grabber.alt(true);
    EXPECT_TRUE(m_controller->isOptionHeld());
    m_grabber.alt(false);
    EXPECT_FALSE(m_controller->isOptionHeld());
    m_controller->showMoveInput();
    EXPECT_TRUE(m_grabber.grabbed.empty());
    EXPECT_TRUE(m_grabber.following);
    m_controller->moveFlow().close();
    EXPECT_EQ(m_grabber.grabbed.size(), ToastShortcuts::table().size());
    m_controller->hide();
    EXPECT_TRUE(m_grabber.grabbed.empty());
    EXPECT_FALSE(m_grabber.following);
}

// After a delete the toast stays to offer Undo: only its key and Escape are
// taken, nothing but Undo acts on the trashed files, and Undo brings them back.
TEST_F(ToastShortcutsTest, AfterADeleteOnlyUndoAndEscapeAreTakenAndUndoBringsTheFilesBack)
{
    const RecordId a = showFile("junk.bin"), b = showFile("old.iso");
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return !record(a) && !record(b) && m_controller->showsUndo(); }));
    EXPECT_EQ(m_controller->state(), DynamicIslandToastState::visible) << "it stays to offer Undo";
    EXPECT_TRUE(m_controller->host().inputs().showsUndo);
    EXPECT_EQ(m_grabber.grabbed, (std::vector<K::Combo>{{z, command}, {escape, 0}}));
    m_controller->markTemporary(); // nothing but Undo acts on trashed files
    EXPECT_TRUE(m_grabber.press({z, command}));
    ASSERT_TRUE(waitUntilOffScreen());
    EXPECT_TRUE(QFileInfo::exists(at("junk.bin")) && QFileInfo::exists(at("old.iso")));
}
