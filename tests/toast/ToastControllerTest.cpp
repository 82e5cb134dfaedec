// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "toast/DynamicIslandToastHost.h"
#include "toast/ToastPanel.h"

using State = DynamicIslandToastState;

TEST_F(ToastFixture, SecondFileQueuesAndRestartsTheCountdown)
{
    makeController();
    const RecordId first = addFile(QStringLiteral("a.pdf"));
    const RecordId second = addFile(QStringLiteral("b.zip"), QByteArray(1500, 'x'));
    showAndExpand(first);
    EXPECT_DOUBLE_EQ(m_controller->countdownDeadline(), m_now + 7.0);
    EXPECT_TRUE(m_controller->panel().isVisible());
    EXPECT_TRUE(m_controller->isCountingDown());

    m_now += 2.5;
    showAndExpand(second);
    EXPECT_EQ(m_controller->secondsRemaining(), 7);
    EXPECT_DOUBLE_EQ(m_controller->countdownDeadline(), m_now + 7.0);
    const auto items = m_controller->fileItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].index, 1);
    EXPECT_EQ(items[0].fileName, QStringLiteral("a.pdf"));
    EXPECT_EQ(items[1].index, 2);
    EXPECT_EQ(items[1].fileSize, QStringLiteral("2 KB"));
    EXPECT_EQ(items[1].id, second.description());
    // The island got the same queue.
    EXPECT_EQ(m_controller->host().inputs().files, items);
}

TEST_F(ToastFixture, PauseFreezesTheRemainderAndResumeRestoresIt)
{
    makeController();
    // Hidden: pausing changes nothing.
    m_controller->setPaused(true);
    EXPECT_FALSE(m_controller->pausedRemaining());

    showAndExpand(addFile(QStringLiteral("a.pdf")));
    m_now += 1.8; // 5.2 s left
    m_controller->setPaused(true);
    ASSERT_TRUE(m_controller->pausedRemaining());
    EXPECT_NEAR(*m_controller->pausedRemaining(), 5.2, 1e-9);
    EXPECT_FALSE(m_controller->isCountingDown());
    ASSERT_TRUE(m_controller->host().inputs().pausedProgress);
    EXPECT_NEAR(*m_controller->host().inputs().pausedProgress, 5.2 / 7.0, 1e-9);
    EXPECT_NEAR(m_controller->host().ringProgress(), 0.743, 0.001);

    m_now += 3.0;                  // the pointer rests on the island
    m_controller->setPaused(true); // a second pause keeps the first remainder
    EXPECT_NEAR(*m_controller->pausedRemaining(), 5.2, 1e-9);
    m_controller->setPaused(false);
    EXPECT_FALSE(m_controller->pausedRemaining());
    EXPECT_NEAR(m_controller->countdownDeadline(), m_now + 5.2, 1e-9);
    EXPECT_EQ(m_controller->secondsRemaining(), 6);
    EXPECT_TRUE(m_controller->isCountingDown());
}

TEST_F(ToastFixture, HoverPausesUnlessAnInputIsOpen)
{
    makeController();
    showAndExpand(addFile(QStringLiteral("a.pdf")));
    m_controller->hoverChanged(true);
    ASSERT_TRUE(waitUntil([&] { return m_controller->pausedRemaining().has_value(); }));
    m_controller->hoverChanged(false);
    ASSERT_TRUE(waitUntil([&] { return !m_controller->pausedRemaining().has_value(); }));

    m_windows->m_active = 42;
    m_controller->openInput(ToastController::Input::more);
    ASSERT_TRUE(m_controller->isAnyInputVisible());
    ASSERT_TRUE(m_controller->pausedRemaining());
    const double frozen = *m_controller->pausedRemaining();
    m_now += 1.0;
    m_controller->hoverChanged(true);
    m_controller->hoverChanged(false);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_controller->pausedRemaining());
    EXPECT_DOUBLE_EQ(*m_controller->pausedRemaining(), frozen);
    EXPECT_FALSE(m_controller->isCountingDown());

    // Closing gives focus back and resumes with the frozen remainder.
    m_windows->m_active = 7;
    m_controller->closeInput(ToastController::Input::more);
    EXPECT_EQ(m_windows->m_activated, QList<WindowSystem::WindowId>{42});
    EXPECT_NEAR(m_controller->countdownDeadline(), m_now + frozen, 1e-9);
    EXPECT_TRUE(m_controller->isCountingDown());
}

TEST_F(ToastFixture, TimeoutDismissesEveryQueuedRecordAndHides)
{
    makeController(0.02, false);
    const RecordId a = addFile(QStringLiteral("a.pdf"));
    const RecordId b = addFile(QStringLiteral("b.pdf"));
    m_controller->show(a);
    m_controller->show(b);
    ASSERT_TRUE(waitUntil([&] { return m_controller->toastEntries().size() == 2; }));
    // The ring is redrawn every frame while the island is up.
    EXPECT_TRUE(m_controller->host().isAnimatingFrames());
    // The island collapses first; the panel stays until the hide sequence ends.
    ASSERT_TRUE(waitUntil([&] {
        return m_controller->state() == State::hidden && m_controller->secondsRemaining() == 0;
    }));
    EXPECT_EQ(m_controller->toastEntries().size(), 2u);
    ASSERT_TRUE(waitUntilOffScreen());
    EXPECT_EQ(m_controller->currentScreen(), nullptr);
    EXPECT_DOUBLE_EQ(m_controller->panel().alpha(), 1.0);
    // Nothing is redrawn while hidden.
    EXPECT_FALSE(m_controller->host().isAnimatingFrames());
    ASSERT_TRUE(waitUntil([&] {
        return record(a)->state == FileState::dismissed && record(b)->state == FileState::dismissed;
    }));

    // A new file after that starts a fresh queue of one.
    const RecordId c = addFile(QStringLiteral("c.pdf"));
    m_controller->show(c);
    ASSERT_TRUE(waitUntil([&] { return m_controller->panel().isVisible(); }));
    ASSERT_EQ(m_controller->toastEntries().size(), 1u);
    EXPECT_EQ(m_controller->toastEntries()[0].id, c);
}

TEST_F(ToastFixture, AGoneRecordShowsNothing)
{
    makeController();
    const RecordId id = addFile(QStringLiteral("a.pdf"));
    await(m_store->deleteRecord(id));
    m_controller->show(id);
    const RecordId other = addFile(QStringLiteral("b.pdf"));
    showAndExpand(other); // the store answers in order: the first was answered before
    ASSERT_EQ(m_controller->toastEntries().size(), 1u);
    EXPECT_EQ(m_controller->toastEntries()[0].id, other);
}

TEST_F(ToastFixture, SizeTexts)
{
    makeController();
    const QString folder = m_downloads + QStringLiteral("/folder");
    QDir().mkpath(folder);
    const RecordId folderId = await(m_store->insertRecord(99991, folder, "folder", 0));
    const RecordId emptyPath = await(m_store->insertRecord(99992, QString(), "nothing", 0));
    showAndExpand(folderId);
    showAndExpand(emptyPath);
    const auto items = m_controller->fileItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].fileSize, QStringLiteral("Folder"));
    EXPECT_EQ(items[1].fileSize, QStringLiteral("Zero KB"));
}

TEST_F(ToastFixture, HitRectangleAndInputShapeFollowTheState)
{
    m_windows->m_compositor = true;
    makeController();
    showAndExpand(addFile(QStringLiteral("a.pdf")));
    ToastPanel& panel = m_controller->panel();
    EXPECT_EQ(panel.size(), QSize(820, 144));
    EXPECT_EQ(panel.hitTestRect().size(), QSize(532, 98));
    EXPECT_TRUE(m_windows->m_allDesktops.contains(panel.windowHandle()));
    const QRegion input = m_windows->m_inputRegions.value(panel.windowHandle());
    EXPECT_TRUE(input.contains(QPoint(410, 40)));
    EXPECT_FALSE(input.contains(QPoint(20, 40)));
    m_controller->hide();
    EXPECT_EQ(panel.hitTestRect().size(), QSize(152, 26));
}

TEST_F(ToastFixture, AFileDuringTheHideSequenceGetsAToastOfItsOwn)
{
    makeController();
    const RecordId a = addFile(QStringLiteral("a.pdf"));
    const RecordId b = addFile(QStringLiteral("b.pdf"));
    showAndExpand(a);
    m_controller->markTemporary();
    ASSERT_EQ(m_controller->state(), State::hidden);
    m_controller->show(b);
    ASSERT_TRUE(waitUntil([&] { return m_controller->state() == State::visible; }));
    // Only the new file is queued: the handled one is not acted on again.
    ASSERT_EQ(m_controller->toastEntries().size(), 1u);
    EXPECT_EQ(m_controller->toastEntries()[0].id, b);
    // The old hide sequence would have ended by now; the toast stays.
    EXPECT_FALSE(waitUntil([&] { return !m_controller->panel().isVisible(); },
                           std::chrono::milliseconds(200)));
    EXPECT_DOUBLE_EQ(m_controller->panel().alpha(), 1.0);
    EXPECT_TRUE(m_controller->isCountingDown());
    ASSERT_TRUE(waitUntil([&] { return record(a)->state == FileState::temporary; }));
    EXPECT_EQ(record(b)->state, FileState::unprocessed);
}
