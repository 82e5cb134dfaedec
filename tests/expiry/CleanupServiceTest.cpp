// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/CleanupService.h"
#include "StoreFixture.h"
#include "store/Tags.h"
#include "store/TrackedFileActor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <sys/stat.h>

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

    struct File {
        QString path;
        std::uint64_t inode = 0;
        RecordId id;
    };

    // A real file in Downloads with its record.
    File makeRecord(const QString& name)
    {
        File file;
        std::tie(file.path, file.inode) = makeFile(name, "content");
        file.id = insert(file.path, file.inode, 7);
        return file;
    }

    // Marks the record temporary for `seconds` (negative: already expired).
    QDateTime markTemporary(const File& file, double seconds)
    {
        const auto expiry = await(m_store->markTemporary(file.id, seconds));
        EXPECT_TRUE(expiry.has_value());
        return expiry.value_or(QDateTime());
    }

    static QString trashFolder()
    {
        return testenv::home() + QStringLiteral("/.local/share/Trash/files");
    }
    static bool inTrash(const QString& name) { return QFile::exists(trashFolder() + '/' + name); }
    bool hasRecord(RecordId id) { return await(m_store->record(id)).has_value(); }
    int scheduledCount() { return await(m_service->scheduledCount()); }
    // Trashing ends with the record's deletion: wait for both.
    bool waitTrashed(const QString& name, RecordId id)
    {
        return waitUntil([&] { return inTrash(name) && !hasRecord(id); });
    }

    std::unique_ptr<CleanupService> m_service;
};

} // namespace

TEST_F(CleanupServiceTest, pastExpiryTrashesAtOnceAndForgetsTheRecord)
{
    startService();
    const File file = makeRecord(QStringLiteral("past.pdf"));
    const QDateTime expiry = markTemporary(file, -60);
    ASSERT_TRUE(tags::readTags(file.path).contains(tags::programTag));

    await(m_service->schedule(file.id, expiry));
    ASSERT_TRUE(waitUntil([&] { return !hasRecord(file.id); }));
    EXPECT_FALSE(QFile::exists(file.path));
    ASSERT_TRUE(inTrash(QStringLiteral("past.pdf")));
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Trashed expired file: past.pdf")));
    // Untracked now, so it carries no mark into the Trash.
    EXPECT_FALSE(
        tags::readTags(trashFolder() + QStringLiteral("/past.pdf")).contains(tags::programTag));
    EXPECT_EQ(scheduledCount(), 0);
}

TEST_F(CleanupServiceTest, laterScheduleReplacesTheEarlierOne)
{
    startService();
    // Either order: the second call decides when the file goes.
    for (const bool soonerSecond : {false, true}) {
        SCOPED_TRACE(soonerSecond ? "sooner second" : "later second");
        const QString name = soonerSecond ? QStringLiteral("b.txt") : QStringLiteral("a.txt");
        const File file = makeRecord(name);
        const QDateTime expiry = markTemporary(file, 0.15);
        const QDateTime farAway = expiry.addSecs(3600);
        const int before = scheduledCount();
        m_service->schedule(file.id, soonerSecond ? farAway : expiry);
        await(m_service->schedule(file.id, soonerSecond ? expiry : farAway));
        EXPECT_EQ(scheduledCount(), before + 1) << "one deadline per record";

        if (soonerSecond) {
            ASSERT_TRUE(waitTrashed(name, file.id));
        } else {
            // A witness due after the replaced deadline: once it is trashed,
            // the replaced one would have fired too.
            const File witness = makeRecord(QStringLiteral("witness.txt"));
            await(m_service->schedule(witness.id, markTemporary(witness, 0.4)));
            ASSERT_TRUE(waitUntil([&] { return inTrash(QStringLiteral("witness.txt")); }));
            EXPECT_TRUE(QFile::exists(file.path));
            EXPECT_TRUE(hasRecord(file.id));
            EXPECT_EQ(scheduledCount(), before + 1) << "the far deadline still waits";
        }
    }
}

TEST_F(CleanupServiceTest, keptFileStays)
{
    startService();
    const File file = makeRecord(QStringLiteral("kept.zip"));
    const QDateTime expiry = markTemporary(file, 0.1);
    await(m_service->schedule(file.id, expiry));
    await(m_store->dismiss(file.id));
    ASSERT_TRUE(waitUntil([&] { return scheduledCount() == 0; })) << "the deadline fired";
    EXPECT_TRUE(QFile::exists(file.path));
    EXPECT_TRUE(hasRecord(file.id));
    EXPECT_FALSE(inTrash(QStringLiteral("kept.zip")));
}

TEST_F(CleanupServiceTest, renamedFileIsTrashedAtItsNewPath)
{
    startService();
    const File file = makeRecord(QStringLiteral("old-name.iso"));
    const QDateTime expiry = markTemporary(file, -1);
    const QString renamed = m_downloads + QStringLiteral("/new-name.iso");
    ASSERT_TRUE(QFile::rename(file.path, renamed));
    await(m_store->updatePath(file.inode, renamed, QStringLiteral("new-name.iso")));

    await(m_service->schedule(file.id, expiry));
    ASSERT_TRUE(waitTrashed(QStringLiteral("new-name.iso"), file.id));
    EXPECT_FALSE(QFile::exists(renamed));
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Trashed expired file: new-name.iso")));
}

TEST_F(CleanupServiceTest, replacedFileIsNotTrashedAndItsRecordGoes)
{
    startService();
    const File file = makeRecord(QStringLiteral("report.doc"));
    const QDateTime expiry = markTemporary(file, -1);
    // The old file moves away (keeping its inode busy) and another takes its name.
    const QString aside = testenv::freshFolder(QStringLiteral("aside")) + QStringLiteral("/r");
    ASSERT_TRUE(QFile::rename(file.path, aside));
    testenv::writeFile(file.path, "replacement");
    tags::addTag(file.path); // the newcomer's own mark must survive

    await(m_service->schedule(file.id, expiry));
    ASSERT_TRUE(waitUntil([&] { return !hasRecord(file.id); }));
    EXPECT_TRUE(QFile::exists(file.path));
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_FALSE(inTrash(QStringLiteral("report.doc")));
    EXPECT_TRUE(tags::readTags(file.path).contains(tags::programTag));
    EXPECT_EQ(logcapture::count(QStringLiteral("Trashed expired file:")), 0);
}

TEST_F(CleanupServiceTest, deadlineThatFiresBeforeTheStoreSeesItDueIsSetAgain)
{
    // The store's clock runs behind: when the deadline fires the record is not
    // yet expired there, and must not be forgotten.
    m_clockLagMs = 400;
    startService();
    const File file = makeRecord(QStringLiteral("lagging.bin"));
    const QDateTime expiry = markTemporary(file, 0.1);
    QElapsedTimer elapsed;
    elapsed.start();
    await(m_service->schedule(file.id, expiry.addMSecs(-400))); // due on the wall clock
    ASSERT_TRUE(waitTrashed(QStringLiteral("lagging.bin"), file.id));
    EXPECT_GE(elapsed.elapsed(), 90);
}

TEST_F(CleanupServiceTest, rehydrationTrashesWhatExpiredAndSchedulesTheRest)
{
    const File first = makeRecord(QStringLiteral("one.txt"));
    const File gone = makeRecord(QStringLiteral("two.txt"));
    const File third = makeRecord(QStringLiteral("three.txt"));
    const File pending = makeRecord(QStringLiteral("later.txt"));
    const File dismissed = makeRecord(QStringLiteral("dismissed.txt"));
    for (const File* file : {&first, &gone, &third})
        markTemporary(*file, -120);
    markTemporary(pending, 3600);
    await(m_store->dismiss(dismissed.id));
    // The user removed one of them while the program was off.
    ASSERT_TRUE(
        QFile::rename(gone.path, testenv::freshFolder(QStringLiteral("elsewhere")) + "/two"));

    startService();
    await(m_service->rehydrate());
    EXPECT_TRUE(inTrash(QStringLiteral("one.txt")));
    EXPECT_TRUE(inTrash(QStringLiteral("three.txt")));
    EXPECT_FALSE(inTrash(QStringLiteral("two.txt")));
    for (const File* file : {&first, &gone, &third})
        EXPECT_FALSE(hasRecord(file->id)) << file->path.toStdString();
    // Only what really went counts.
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("Rehydrate: trashed 2 file(s) that expired while offline")));
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Rehydrate: scheduled 1 pending file(s)")));
    EXPECT_EQ(scheduledCount(), 1);
    EXPECT_TRUE(QFile::exists(pending.path));
    EXPECT_TRUE(QFile::exists(dismissed.path));
    EXPECT_TRUE(hasRecord(dismissed.id));

    // Written to the file, not only gone from the open store.
    m_service.reset();
    openStore();
    EXPECT_EQ(await(m_store->allRecords()).size(), 2u) << "the pending and the dismissed one";
}

TEST_F(CleanupServiceTest, rehydrationWithNothingToDoSaysNothing)
{
    makeRecord(QStringLiteral("plain.txt"));
    startService();
    await(m_service->rehydrate());
    EXPECT_EQ(logcapture::count(QStringLiteral("Rehydrate:")), 0);
    EXPECT_EQ(scheduledCount(), 0);
}

TEST_F(CleanupServiceTest, sweepForgetsVanishedFilesWhateverTheirState)
{
    startService(CleanupIntervals{300ms});
    const File unprocessed = makeRecord(QStringLiteral("u.txt"));
    const File temporary = makeRecord(QStringLiteral("t.txt"));
    const File dismissed = makeRecord(QStringLiteral("d.txt"));
    const File present = makeRecord(QStringLiteral("here.txt"));
    await(m_service->schedule(temporary.id, markTemporary(temporary, 3600)));
    await(m_store->dismiss(dismissed.id));
    const QString elsewhere = testenv::freshFolder(QStringLiteral("moved-out"));
    for (const File* file : {&unprocessed, &temporary, &dismissed})
        ASSERT_TRUE(QFile::rename(file->path, elsewhere + '/' + QFileInfo(file->path).fileName()));

    QElapsedTimer elapsed;
    elapsed.start();
    await(m_service->startStaleRecordSweep());
    EXPECT_TRUE(hasRecord(unprocessed.id)) << "the first sweep waits one period";
    ASSERT_TRUE(waitUntil([&] {
        return !hasRecord(unprocessed.id) && !hasRecord(temporary.id) && !hasRecord(dismissed.id);
    }));
    EXPECT_GE(elapsed.elapsed(), 300);
    EXPECT_TRUE(hasRecord(present.id));
    for (const char* name : {"u.txt", "t.txt", "d.txt"})
        EXPECT_TRUE(logcapture::contains(QStringLiteral("Cleaned up stale record: ") +
                                         QLatin1String(name)));
    EXPECT_EQ(scheduledCount(), 0) << "the vanished file's deadline is dropped";

    // It keeps sweeping: a file that vanishes later goes on a later round.
    ASSERT_TRUE(QFile::rename(present.path, elsewhere + QStringLiteral("/here.txt")));
    ASSERT_TRUE(waitUntil([&] { return !hasRecord(present.id); }));
    EXPECT_FALSE(inTrash(QStringLiteral("u.txt"))) << "the sweep never trashes";
}

TEST_F(CleanupServiceTest, aRefusedFileStaysTemporaryAndIsTriedAgainByTheSweep)
{
    openStore(m_trash);
    m_trash->failWith(QStringLiteral("Permission denied"));
    startService(CleanupIntervals{200ms});
    QSignalSpy failed(m_service.get(), &CleanupService::trashFailed);
    const File atExpiry = makeRecord(QStringLiteral("locked.dat"));
    await(m_service->schedule(atExpiry.id, markTemporary(atExpiry, -5)));
    const File atStartUp = makeRecord(QStringLiteral("offline.dat"));
    markTemporary(atStartUp, -5);
    await(m_service->rehydrate());
    ASSERT_TRUE(waitUntil([&] { return await(m_service->trashFailures()).size() == 2; }));
    for (const File* file : {&atExpiry, &atStartUp}) {
        EXPECT_TRUE(QFile::exists(file->path));
        EXPECT_EQ(await(m_store->record(file->id))->state, FileState::temporary);
    }
    EXPECT_GE(failed.count(), 2);
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("Rehydrate: trashed 0 file(s) that expired while offline")));

    // The Trash works again: the sweep takes both.
    m_trash->failWith({});
    await(m_service->startStaleRecordSweep());
    ASSERT_TRUE(waitUntil([&] { return !hasRecord(atExpiry.id) && !hasRecord(atStartUp.id); }));
    EXPECT_FALSE(QFile::exists(atExpiry.path));
    EXPECT_FALSE(QFile::exists(atStartUp.path));
    EXPECT_TRUE(await(m_service->trashFailures()).isEmpty());
}

TEST_F(CleanupServiceTest, noRecordIsSweptWhileTheDownloadsFolderIsAway)
{
    startService();
    const File file = makeRecord(QStringLiteral("on-the-drive.mkv"));
    markTemporary(file, 3600);
    const QString away = m_downloads + QStringLiteral("-unmounted");
    ASSERT_TRUE(QFile::rename(m_downloads, away));
    await(m_service->cleanUpStaleRecords());
    EXPECT_TRUE(hasRecord(file.id));
    ASSERT_TRUE(QFile::rename(away, m_downloads));
    QFile::remove(file.path);
    await(m_service->cleanUpStaleRecords());
    EXPECT_FALSE(hasRecord(file.id));
}

TEST_F(CleanupServiceTest, manyDeadlinesShareOneTimer)
{
    startService();
    // Far-away deadlines for records that do not exist cost a heap entry each.
    for (int i = 1; i <= 5000; ++i)
        m_service->schedule(RecordId{100000 + i}, QDateTime::currentDateTimeUtc().addDays(1));
    EXPECT_EQ(scheduledCount(), 5000);
    const File file = makeRecord(QStringLiteral("among-many.txt"));
    await(m_service->schedule(file.id, markTemporary(file, 0.05)));
    ASSERT_TRUE(waitUntil([&] { return inTrash(QStringLiteral("among-many.txt")); }));
    EXPECT_EQ(scheduledCount(), 5000);
}
