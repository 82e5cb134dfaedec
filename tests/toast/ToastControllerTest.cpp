// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "platform/Formatters.h"

using State = DynamicIslandToastState;

// The store answers in order: a gone record is answered before the files after it.
TEST_F(ToastFixture, NewFilesQueueAndRestartTheCountdownAndAGoneRecordShowsNothing)
{
    showFile("a.pdf");
    EXPECT_DOUBLE_EQ(m_controller->countdownDeadline(), m_now + 7.0);
    m_now += 2.5;
    const RecordId gone = track("gone.pdf");
    await(m_store->deleteRecord(gone));
    m_controller->show(gone);
    showFile("b.zip", QByteArray(1500, 'x'));
    EXPECT_DOUBLE_EQ(m_controller->countdownDeadline(), m_now + 7.0);
    const RecordId probe = track("SjEaMgQf.bin"); // gone before it could be shown
    QFile::remove(at("SjEaMgQf.bin"));
    m_controller->show(probe);
    QDir().mkpath(at("folder"));
    showAndExpand(insert(at("folder"), inodeOf(at("folder")), 0));
    showFile("empty.txt", {});
    const auto items = m_controller->fileItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].fileName, "a.pdf");
    EXPECT_EQ(items[1].fileSize, "2 KB");
    EXPECT_EQ(items[2].fileSize, "Folder");
    EXPECT_EQ(items[3].fileSize, formatByteCount(0)) << "an empty file is no folder";
    EXPECT_EQ(m_controller->host().inputs().files, items);
}

// A record that goes while the toast is up (its item deleted, replaced by a
// finished download, trashed from the popover) leaves the toast; an emptied
// toast hides without settling anything.
TEST_F(ToastFixture, ARecordThatGoesLeavesTheToast)
{
    const RecordId a = showFile("a.pdf"), b = showFile("b.pdf");
    await(m_store->deleteRecord(a));
    ASSERT_TRUE(waitUntil([&] { return m_controller->host().inputs().files.size() == 1; }));
    EXPECT_EQ(m_controller->fileItems()[0].fileName, "b.pdf");
    EXPECT_EQ(m_controller->fileItems()[0].index, 1);
    await(m_store->deleteRecord(b));
    ASSERT_TRUE(waitUntil([&] { return m_controller->state() == State::hidden; }));
    ASSERT_TRUE(waitUntilOffScreen());
}

TEST_F(ToastFixture, PauseAndHoverFreezeTheRemainderResumeRestoresItAnOpenInputHoldsIt)
{
    m_controller->setPaused(true); // hidden: nothing to pause
    EXPECT_FALSE(m_controller->pausedRemaining());
    showFile("a.pdf");
    m_now += 1.8;
    m_controller->setPaused(true);
    EXPECT_NEAR(m_controller->pausedRemaining().value_or(0), 5.2, 1e-9);
    EXPECT_FALSE(m_controller->isCountingDown());
    EXPECT_NEAR(m_controller->host().ringProgress(), 5.2 / 7.0, 1e-9);
    m_now += 3.0;
    m_controller->setPaused(true); // a second pause keeps the first remainder
    EXPECT_NEAR(*m_controller->pausedRemaining(), 5.2, 1e-9);
    m_controller->setPaused(false);
    EXPECT_FALSE(m_controller->pausedRemaining());
    EXPECT_NEAR(m_controller->countdownDeadline(), m_now + 5.2, 1e-9);
    EXPECT_EQ(m_controller->secondsRemaining(), 6);
    EXPECT_TRUE(m_controller->isCountingDown());
    // Hover pauses too, unless an open input holds the pause.
    m_controller->hoverChanged(true);
    ASSERT_TRUE(waitUntil([&] { return m_controller->pausedRemaining().has_value(); }));
    m_controller->hoverChanged(false);
    ASSERT_TRUE(waitUntil([&] { return !m_controller->pausedRemaining().has_value(); }));
    m_controller->inputs().open(ToastController::Input::more);
    const std::optional<double> frozen = m_controller->pausedRemaining();
    ASSERT_TRUE(frozen);
    m_now += 1.0;
    m_controller->hoverChanged(true);
    m_controller->hoverChanged(false);
    drainQueued();
    EXPECT_EQ(m_controller->pausedRemaining(), frozen);
    EXPECT_FALSE(m_controller->isCountingDown());
    // Closing gives focus back and resumes with the frozen remainder.
    m_windows->m_active = 7;
    m_controller->inputs().close(ToastController::Input::more);
    expectFocusBack();
    EXPECT_NEAR(m_controller->countdownDeadline(), m_now + *frozen, 1e-9);
    EXPECT_TRUE(m_controller->isCountingDown());
}

TEST_F(ToastFixture, TimeoutSettlesOnlyUnansweredRecordsAndHides)
{
    makeController(0.02, false);
    const RecordId a = track("a.pdf"), b = track("b.pdf");
    m_controller->show(a);
    m_controller->show(b);
    // Marked elsewhere (the popover, the bus) while the toast is up.
    const auto expiry = await(m_store->markTemporary(b, 600.0));
    // The ring moves once the view has the files.
    ASSERT_TRUE(waitUntil([&] {
        return m_controller->host().inputs().files.size() == 2 &&
               m_controller->host().isAnimatingFrames();
    }));
    // The island collapses first; the panel stays until the hide sequence ends.
    ASSERT_TRUE(waitUntil([&] {
        return m_controller->state() == State::hidden && m_controller->secondsRemaining() == 0;
    }));
    EXPECT_EQ(m_controller->toastEntries().size(), 2u);
    ASSERT_TRUE(waitUntilOffScreen());
    EXPECT_EQ(m_controller->currentScreen(), nullptr);
    EXPECT_DOUBLE_EQ(m_controller->panel().alpha(), 1.0);
    EXPECT_FALSE(m_controller->host().isAnimatingFrames());
    ASSERT_TRUE(waitUntil([&] { return allInState({a}, FileState::dismissed); }));
    await(m_store->save()); // the toast's requests went before this one
    EXPECT_EQ(record(b)->state, FileState::temporary) << "the mark made meanwhile stays";
    EXPECT_EQ(record(b)->expiresAt, expiry);
    // A new file after that shows the panel again with a queue of one.
    showFile("c.pdf");
    EXPECT_TRUE(m_controller->panel().isVisible());
}

TEST_F(ToastFixture, ClickableOnlyOnTheIslandAndAHideLetsGoOfOption)
{
    showFile("a.pdf");
    ToastPanel& panel = m_controller->panel();
    const QRegion input = m_windows->m_inputRegions.value(panel.windowHandle());
    EXPECT_TRUE(input.contains(QPoint(410, 40)));
    EXPECT_FALSE(input.contains(QPoint(20, 40)));
    const QRect expanded = panel.hitTestRect();
    m_controller->setOptionHeld(true);
    EXPECT_TRUE(m_controller->host().inputs().isOptionHeld);
    m_controller->hide();
    EXPECT_LT(panel.hitTestRect().width(), expanded.width());
    EXPECT_FALSE(m_controller->isOptionHeld());
    EXPECT_FALSE(m_controller->host().inputs().isOptionHeld);
}

TEST_F(ToastFixture, AFileDuringTheHideSequenceGetsAToastOfItsOwn)
{
    const RecordId a = showFile("a.pdf"), b = track("b.pdf");
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
    ASSERT_TRUE(waitUntil([&] { return allInState({a}, FileState::temporary); }));
    EXPECT_EQ(record(b)->state, FileState::unprocessed);
}

// A file that arrives while the user reads or types must not restart the
// countdown under them, and however the toast then hides, focus goes back.
TEST_F(ToastFixture, ANewFileKeepsAPauseAndEveryHideGivesFocusBack)
{
    showFile("a.pdf");
    m_controller->inputs().open(ToastController::Input::move);
    m_now += 3.0;
    showFile("b.pdf");
    EXPECT_FALSE(m_controller->isCountingDown());
    EXPECT_EQ(m_controller->pausedRemaining(), 7.0) << "the full time, held";
    m_controller->hide(); // an action hides the toast while the input is open
    expectFocusBack();
}

// A burst of new files: every one is queued in the order it arrived, though
// the store answers for some before others are asked for.
TEST_F(ToastFixture, ABurstOfFilesIsQueuedInOrder)
{
    constexpr int count = 20000;
    // Making the files takes seconds under load; a quadratic queue, minutes.
    constexpr auto patience = std::chrono::seconds(60);
    const std::vector<RecordId> ids =
        await(m_store->perform<std::vector<RecordId>>([this](TrackedFileActor::Context& context) {
            std::vector<RecordId> made;
            for (int i = 0; i < count; ++i) {
                const auto [path, inode] = makeFile(QStringLiteral("f%1").arg(i));
                made.push_back(context.insertRecord(inode, path, path.section('/', -1), 1,
                                                    FileState::unprocessed));
            }
            return made;
        }),
              patience);
    for (RecordId id : ids)
        m_controller->show(id);
    ASSERT_TRUE(
        waitUntil([&] { return m_controller->host().inputs().files.size() == count; }, patience));
    const auto& items = m_controller->fileItems();
    for (int i : {0, count / 2, count - 1}) {
        EXPECT_EQ(items[std::size_t(i)].index, i + 1);
        EXPECT_EQ(items[std::size_t(i)].id, ids[std::size_t(i)].description());
    }
}
