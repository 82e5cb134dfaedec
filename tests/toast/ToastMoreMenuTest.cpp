// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "menus/MoreMenuView.h"
#include "menus/MoreMenuViewModel.h"
#include "toast/MoreMenuPanel.h"

#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace {

class ToastMoreMenuTest : public ToastFixture {
protected:
    void SetUp() override
    {
        ToastFixture::SetUp();
        m_file = showFile("a.pdf");
        m_controller->showMoreMenu();
        ASSERT_TRUE(m_controller->isInputVisible(ToastController::Input::more));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_controller->moreFlow().panel(), key, modifiers);
    }
    bool moreOpen() { return m_controller->isInputVisible(ToastController::Input::more); }

    RecordId m_file;
};

} // namespace

TEST_F(ToastMoreMenuTest, ArrowsStopAtBothEndsReturnChoosesAndEscapeResumes)
{
    key(Qt::Key_Up); // already on "Open"
    EXPECT_EQ(m_controller->moreFlow().model().selectedIndex(), 0);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Down);
    EXPECT_EQ(m_controller->moreFlow().model().selectedIndex(), 3) << "stops on the last row";
    key(Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !moreOpen(); }));
    EXPECT_TRUE(m_controller->isCountingDown());
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});

    m_controller->showMoreMenu();
    EXPECT_EQ(m_controller->moreFlow().model().selectedIndex(), 0) << "opens on Open";
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Enter); // Copy & Delete: copied, then temporary
    ASSERT_TRUE(waitUntil([&] { return allInState({m_file}, FileState::temporary); }));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasUrls());
}

TEST_F(ToastMoreMenuTest, TheDeleteShortcutTrashesAndCtrlMakesItNotOurs)
{
    key(Qt::Key_Backspace, Qt::MetaModifier | Qt::ShiftModifier | Qt::ControlModifier);
    drainQueued();
    EXPECT_TRUE(moreOpen());
    key(Qt::Key_Backspace, Qt::MetaModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitUntil([&] { return !record(m_file) && !QFile::exists(at("a.pdf")); }));
    EXPECT_EQ(m_trash->requests(), QStringList{at("a.pdf")});
}

TEST_F(ToastMoreMenuTest, ClickingARowChoosesItAndHoverHighlights)
{
    MoreMenuView& view = m_controller->moreFlow().panel().view();
    std::vector<MoreMenuAction> chosen;
    view.onSelect = [&](MoreMenuAction action) { chosen.push_back(action); };
    QWidget* copyRow = view.childAt(view.rowRect(2).center());
    ASSERT_TRUE(copyRow);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(copyRow, &enter);
    EXPECT_EQ(m_controller->moreFlow().model().selectedIndex(), 2);
    QTest::mouseClick(view.childAt(view.rowRect(1).center()), Qt::LeftButton);
    EXPECT_EQ(chosen, std::vector<MoreMenuAction>{MoreMenuAction::shareAndDelete});
    EXPECT_EQ(m_controller->moreFlow().model().selectedIndex(), 1);
}

TEST_F(ToastMoreMenuTest, ShareThenDismissMarksNothingAndShareThenChooseMarks)
{
    // A popup menu on the offscreen platform cannot raise itself or grab keys.
    allowWarning(QStringLiteral("This plugin does not support"));
    key(Qt::Key_S, Qt::MetaModifier | Qt::ShiftModifier);
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        menu = m_controller->moreFlow().sharePicker().menu();
        return menu && menu->isVisible();
    }));
    EXPECT_TRUE(moreOpen()) << "the picker opens over the menu, which keeps the focus";
    EXPECT_FALSE(m_controller->isCountingDown()) << "paused while the picker is up";
    menu->hide(); // dismissed without a choice
    ASSERT_TRUE(waitUntil([&] { return m_controller->isCountingDown(); }));
    EXPECT_FALSE(moreOpen());
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});
    EXPECT_EQ(record(m_file)->state, FileState::unprocessed);

    m_controller->share();
    menu = m_controller->moreFlow().sharePicker().menu();
    ASSERT_TRUE(menu);
    menu->actions().first()->trigger();
    menu->hide();
    ASSERT_TRUE(waitUntil([&] {
        return allInState({m_file}, FileState::temporary) && QFile::exists(m_folder + "/a.pdf");
    }));
}
