// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/CleanupService.h"
#include "StoreFixture.h"
#include "expiry/MarkTemporary.h"
#include "store/Tags.h"

#include <QElapsedTimer>
#include <QSemaphore>

using namespace std::chrono_literals;

namespace {

// A real store and real files in the test home; the real Trash unless a test
// needs it to fail.
class CleanupServiceTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_now = QDateTime(); // the wall clock, less m_clockLagMs
        openStore(makeSystemTrash());
        startService();
    }

    void TearDown() override
    {
        m_service.reset();
        StoreFixture::TearDown();
    }
    void startService(CleanupIntervals intervals = {})
    {
        m_service = std::make_unique<CleanupService>(*m_store, intervals);
    }

    // Marks the record temporary for `seconds` (negative: already expired).
    QDateTime markTemporary(RecordId id, double seconds)
    {
        return await(m_store->markTemporary(id, seconds)).value_or(QDateTime());
    }
    static QString inTrash(const QString& name)
    {
        return testenv::home() + "/.local/share/Trash/files/" + name;
    }
    bool hasRecord(RecordId id) { return record(id).has_value(); }
    int scheduledCount() { return await(m_service->scheduledCount()); }
    // Trashing ends with the record's deletion: wait for both.
    bool waitTrashed(const QString& name, RecordId id)
    {
        return waitUntil([&] { return QFile::exists(inTrash(name)) && !hasRecord(id); });
    }

    std::unique_ptr<CleanupService> m_service;
};

} // namespace

TEST_F(CleanupServiceTest, pastExpiryTrashesAtOnceAtTheCurrentPathAndForgetsTheRecord)
{
    const RecordId id = track("past.pdf");
    await(m_service->schedule(id, markTemporary(id, -60)));
    ASSERT_TRUE(waitTrashed("past.pdf", id));
    // Untracked now, so it carries no mark into the Trash.
    EXPECT_TRUE(tags::readTags(inTrash("past.pdf")).isEmpty());
    EXPECT_EQ(scheduledCount(), 0);
    // Renamed after it was marked: trashed where it is now.
    const auto [path, inode] = makeFile("old-name.iso");
    const RecordId renamed = insert(path, inode);
    const QDateTime expiry = markTemporary(renamed, -1);
    ASSERT_TRUE(QFile::rename(path, at("new-name.iso")));
    await(m_store->updatePath(inode, at("new-name.iso"), "new-name.iso"));
    await(m_service->schedule(renamed, expiry));
    ASSERT_TRUE(waitTrashed("new-name.iso", renamed));
}

TEST_F(CleanupServiceTest, laterScheduleReplacesTheEarlierOneAndAKeptFileStays)
{
    // Each moved the other way; a's replaced deadline and the kept file's are
    // due before b's, so once b is trashed they would have fired too.
    const RecordId a = track("a.txt"), b = track("b.txt"), kept = track("kept.zip");
    const QDateTime aExpiry = markTemporary(a, 0.15), bExpiry = markTemporary(b, 0.4);
    m_service->schedule(a, aExpiry);
    m_service->schedule(b, bExpiry.addSecs(3600));
    m_service->schedule(a, aExpiry.addSecs(3600));
    await(m_service->schedule(b, bExpiry));
    EXPECT_EQ(scheduledCount(), 2) << "one deadline per record";
    await(m_service->schedule(kept, markTemporary(kept, 0.1)));
    await(m_store->keep(kept));
    ASSERT_TRUE(waitTrashed("b.txt", b));
    ASSERT_TRUE(waitUntil([&] { return scheduledCount() == 1; })) << "a's far deadline waits";
    EXPECT_TRUE(QFile::exists(at("a.txt")) && hasRecord(a));
    EXPECT_TRUE(QFile::exists(at("kept.zip")) && hasRecord(kept));
}

TEST_F(CleanupServiceTest, deadlineThatFiresBeforeTheStoreSeesItDueIsSetAgain)
{
    // The store's clock runs behind: when the deadline fires the record is not
    // yet expired there, and must not be forgotten.
    m_clockLagMs = 400;
    const RecordId id = track("lagging.bin");
    // Counted from before the mark: a slow answer must not eat the 100 ms.
    QElapsedTimer elapsed;
    elapsed.start();
    const QDateTime expiry = markTemporary(id, 0.1);
    await(m_service->schedule(id, expiry.addMSecs(-400))); // due on the wall clock
    ASSERT_TRUE(waitTrashed("lagging.bin", id));
    EXPECT_GE(elapsed.elapsed(), 90);
}

TEST_F(CleanupServiceTest, rehydrationTrashesWhatExpiredAndSchedulesTheRest)
{
    const RecordId one = track("one.txt"), two = track("two.txt"), three = track("three.txt");
    const RecordId pending = track("later.txt"), dismissed = track("dismissed.txt");
    for (const RecordId id : {one, two, three})
        markTemporary(id, -120);
    markTemporary(pending, 3600);
    await(m_store->keep(dismissed));
    // The user removed one of them while the program was off.
    ASSERT_TRUE(QFile::rename(at("two.txt"), testenv::freshFolder("elsewhere") + "/two"));
    await(m_service->rehydrate());
    EXPECT_TRUE(QFile::exists(inTrash("one.txt")) && QFile::exists(inTrash("three.txt")));
    EXPECT_FALSE(QFile::exists(inTrash("two.txt")));
    for (const RecordId id : {one, two, three})
        EXPECT_FALSE(hasRecord(id)) << id.value;
    EXPECT_EQ(scheduledCount(), 1);
    EXPECT_TRUE(QFile::exists(at("later.txt")) && QFile::exists(at("dismissed.txt")));
    // Written to the file, not only gone from the open store.
    m_service.reset();
    openStore();
    EXPECT_EQ(await(m_store->allRecords()).size(), 2u) << "the pending and the dismissed one";
}

TEST_F(CleanupServiceTest, sweepForgetsVanishedFilesWhateverTheirState)
{
    startService(CleanupIntervals{300ms});
    const RecordId unprocessed = track("u.txt"), temporary = track("t.txt");
    const RecordId dismissed = track("d.txt"), present = track("here.txt");
    await(m_service->schedule(temporary, markTemporary(temporary, 3600)));
    await(m_store->keep(dismissed));
    const QString elsewhere = testenv::freshFolder("moved-out");
    for (const char* name : {"u.txt", "t.txt", "d.txt"})
        ASSERT_TRUE(QFile::rename(at(name), elsewhere + '/' + name));
    // None is swept while the Downloads folder is away (its drive unmounted).
    const QString away = m_downloads + "-unmounted";
    ASSERT_TRUE(QFile::rename(m_downloads, away));
    await(m_service->cleanUpStaleRecords());
    EXPECT_TRUE(hasRecord(unprocessed) && hasRecord(temporary) && hasRecord(dismissed));
    ASSERT_TRUE(QFile::rename(away, m_downloads));
    QElapsedTimer elapsed;
    elapsed.start();
    await(m_service->startStaleRecordSweep());
    ASSERT_TRUE(waitUntil(
        [&] { return !hasRecord(unprocessed) && !hasRecord(temporary) && !hasRecord(dismissed); }));
    EXPECT_GE(elapsed.elapsed(), 300) << "the first sweep waits one period";
    EXPECT_TRUE(hasRecord(present));
    EXPECT_EQ(scheduledCount(), 0) << "the vanished file's deadline is dropped";
    // It keeps sweeping: a file that vanishes later goes on a later round.
    ASSERT_TRUE(QFile::rename(at("here.txt"), elsewhere + "/here.txt"));
    EXPECT_TRUE(waitUntil([&] { return !hasRecord(present); }));
}

TEST_F(CleanupServiceTest, aRefusedFileStaysTemporaryAndIsTriedAgainByTheSweep)
{
    m_service.reset(); // it holds the store
    openStore(m_trash);
    m_trash->failWith("Permission denied");
    startService(CleanupIntervals{200ms});
    const RecordId atExpiry = track("locked.dat"), atStartUp = track("offline.dat");
    await(m_service->schedule(atExpiry, markTemporary(atExpiry, -5)));
    markTemporary(atStartUp, -5);
    await(m_service->rehydrate());
    ASSERT_TRUE(waitUntil([&] { return await(m_service->trashFailures()).size() == 2; }));
    for (const RecordId id : {atExpiry, atStartUp})
        EXPECT_EQ(record(id)->state, FileState::temporary);
    EXPECT_TRUE(QFile::exists(at("locked.dat")) && QFile::exists(at("offline.dat")));
    EXPECT_EQ(tags::readTags(at("locked.dat")), QStringList{tags::programTag}) << "still marked";
    // The Trash works again: the sweep takes both.
    m_trash->failWith({});
    await(m_service->startStaleRecordSweep());
    ASSERT_TRUE(waitUntil([&] { return !hasRecord(atExpiry) && !hasRecord(atStartUp); }));
    EXPECT_FALSE(QFile::exists(at("locked.dat")) || QFile::exists(at("offline.dat")));
    EXPECT_TRUE(await(m_service->trashFailures()).isEmpty());
}

TEST_F(CleanupServiceTest, AMarkTheStoreAnswersAfterTheServiceIsGoneSchedulesNothing)
{
    const RecordId id = track("late.bin");
    // The store is serial: it answers the mark only after this step, and the
    // step waits until the service is gone.
    QSemaphore serviceGone;
    const auto busy = m_store->perform<bool>([&](TrackedFileActor::Context&) {
        serviceGone.acquire();
        return true;
    });
    const auto marked = expiry::markTemporary(*m_store, *m_service, id, 60);
    m_service.reset();
    serviceGone.release();
    EXPECT_EQ(await(marked), std::nullopt);
    EXPECT_TRUE(await(busy));
    EXPECT_EQ(record(id)->state, FileState::temporary) << "the next start schedules it";
}
