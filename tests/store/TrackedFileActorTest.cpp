// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "platform/Xattr.h"
#include "store/Sqlite.h"
#include "store/Tags.h"

#include <QSignalSpy>
#include <thread>

namespace {

class TrackedFileActorTest : public StoreFixture {
protected:
    // Another connection to the store file, as another program holds one, once it ran `sql`.
    std::unique_ptr<sqlite::Database> other(const QByteArray& sql)
    {
        auto db = std::make_unique<sqlite::Database>();
        EXPECT_TRUE(db->open(storePath()) && db->exec(sql.constData())) << sql.constData();
        return db;
    }
    // Rows as another connection sees them on disk.
    int rowsOnDisk()
    {
        const auto db = other("SELECT 1");
        sqlite::Statement count(*db, "SELECT count(*) FROM TrackedFile");
        return count.step() ? int(count.integer(0)) : -1;
    }
    // Closes the store, changes its file as another program would, and opens it again.
    void editStoreFile(const QByteArray& sql, bool reopen = true)
    {
        m_store.reset();
        other(sql);
        if (reopen)
            openStore();
    }
};

} // namespace

TEST_F(TrackedFileActorTest, NewRecordsAreUnprocessedAndActiveInodeSkipsDismissedOnes)
{
    const QString path = at("same.txt");
    const RecordId first = insert(path, 21, 1500);
    insert(path, 22);
    insert(path, 23);
    const auto fresh = record(first);
    EXPECT_EQ(std::tuple(fresh->state, fresh->fileSize, fresh->expiresAt, fresh->detectedAt),
              std::tuple(FileState::unprocessed, 1500, std::optional<QDateTime>(), m_now));
    EXPECT_EQ(await(m_store->activeInode(path)), std::optional<std::uint64_t>(21));
    await(m_store->settle(first));
    EXPECT_EQ(await(m_store->activeInode(path)), std::optional<std::uint64_t>(22));
    EXPECT_FALSE(await(m_store->activeInode(at("SAME.txt"))));
}

TEST_F(TrackedFileActorTest, MarkTemporaryTagsTheFileOnceAndKeepTakesTheTagOff)
{
    m_defaultInterval = 5400;
    const auto [path, inode] = makeFile("report.pdf");
    const RecordId id = insert(path, inode);
    EXPECT_EQ(await(m_store->markTemporary(id)).value_or(QDateTime()), m_now.addSecs(5400));
    EXPECT_EQ(record(id)->state, FileState::temporary);
    EXPECT_EQ(record(id)->markedTemporaryAt, m_now);
    EXPECT_EQ(tags::readTags(path), QStringList{tags::programTag});
    // Marking again replaces both dates and leaves the one tag alone.
    m_now = m_now.addSecs(60);
    const auto again = await(m_store->markTemporary(id, 30.5));
    EXPECT_EQ(*again, m_now.addMSecs(30500));
    EXPECT_EQ(tags::readTags(path), QStringList{tags::programTag});
    // A toast ending without an answer leaves the mark alone.
    await(m_store->settle(id));
    EXPECT_EQ(record(id)->state, FileState::temporary);
    // Kept: the dates stay, both tags go, and it never expires.
    await(m_store->keep(id));
    const auto kept = record(id);
    EXPECT_EQ(std::tuple(kept->state, kept->markedTemporaryAt, kept->expiresAt),
              std::tuple(FileState::dismissed, m_now, again.value_or(QDateTime())));
    EXPECT_TRUE(tags::readTags(path).isEmpty());
    EXPECT_FALSE(xattr::get(path, tags::xdgAttributeName));
    m_now = m_now.addDays(30);
    EXPECT_TRUE(await(m_store->fetchExpired()).empty());
    EXPECT_TRUE(await(m_store->temporaryExpirations()).empty());
    // A lifetime beyond what dates can hold is capped, never wrapped into the past.
    const auto far = await(m_store->markTemporary(id, 1e300));
    ASSERT_TRUE(far && far->isValid());
    EXPECT_GT(far->date().year(), 4000);
    EXPECT_FALSE(await(m_store->markTemporary(RecordId{4242})));
    // A tag of ours in another colour, set by the user, is left as it is.
    const auto [photo, photoInode] = makeFile("photo.jpg");
    tags::writeTags(photo, {"Work", "Vantle: Temporary\n2"});
    await(m_store->markTemporary(insert(photo, photoInode)));
    EXPECT_EQ(tags::readTags(photo), (QStringList{"Work", "Vantle: Temporary\n2"}));
}

// A record is due once its expiry is now. More time counts from the later of
// now and the expiry: an overdue file (the Trash refused it, the machine
// slept) is not trashed at once.
TEST_F(TrackedFileActorTest, ARecordIsDueAtItsExpiryAndMoreTimeCountsFromNowOnceThatHasPassed)
{
    const RecordId due = insert(at("due"), 31), later = insert(at("later"), 32);
    await(m_store->markTemporary(due, 10));
    await(m_store->markTemporary(later, 11));
    m_now = m_now.addSecs(10);
    const auto expired = await(m_store->fetchExpired());
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].id, due);
    const auto pending = await(m_store->temporaryExpirations());
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_EQ(std::tuple(pending[0].id, pending[1].id), std::tuple(due, later));
    EXPECT_EQ(pending[1].expiresAt, m_now.addSecs(1));
    await(m_store->deleteRecord(due));
    const QDateTime expiry = *await(m_store->markTemporary(later, 600));
    m_now = m_now.addSecs(60); // not yet due: from the expiry
    EXPECT_EQ(await(m_store->extendExpiry(later, 3600)), expiry.addSecs(3600));
    m_now = m_now.addSecs(36000 - 60); // hours overdue: from now
    EXPECT_EQ(await(m_store->extendExpiry(later, 3600)), m_now.addSecs(3600));
    EXPECT_TRUE(await(m_store->fetchExpired()).empty()) << "still an hour to go";
}

TEST_F(TrackedFileActorTest, RemovalsTakeTheTagOffUpdatesKeepStateAndOneRecordPerInodeIsKept)
{
    const RecordId a = track("a"), b = track("b");
    await(m_store->markTemporary(a));
    await(m_store->markTemporary(b));
    await(m_store->removeByInode(inodeOf(at("a"))));
    await(m_store->deleteRecord(b));
    EXPECT_EQ(tags::readTags(at("a")) + tags::readTags(at("b")), QStringList());
    EXPECT_TRUE(await(m_store->allRecords()).empty());
    EXPECT_TRUE(QFile::exists(at("a")) && QFile::exists(at("b")));
    // A newcomer at a removed record's path keeps its own tag.
    const auto [pathC, inodeC] = makeFile("c");
    insert(pathC, inodeC);
    moveOver(makeFile("c-new").first, pathC);
    tags::addTag(pathC);
    await(m_store->removeByInode(inodeC));
    EXPECT_EQ(tags::readTags(pathC), QStringList{tags::programTag});
    // A second insert of the same inode replaces the first record.
    insert(at("x"), 70);
    const RecordId second = insert(at("y"), 70);
    const auto all = await(m_store->allRecords());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].id, second);
    // Path and inode updates keep the state and the dates; one of no record adds none.
    const RecordId id = insert(at("m"), 61, 10);
    const auto expiry = await(m_store->markTemporary(id));
    await(m_store->updatePath(61, at("n"), "n"));
    await(m_store->replaceInode(61, 62, at("o"), "o", 20));
    await(m_store->updatePath(999, at("nothing"), "nothing"));
    const auto moved = record(id);
    EXPECT_EQ(std::tuple(moved->inode, moved->filePath, moved->fileName, moved->fileSize),
              std::tuple(62u, at("o"), QString("o"), 20));
    EXPECT_EQ(std::tuple(moved->state, moved->expiresAt, moved->detectedAt),
              std::tuple(FileState::temporary, expiry, m_now));
    EXPECT_EQ(await(m_store->allRecords()).size(), 2u);
}

TEST_F(TrackedFileActorTest, RecordsSurviveAReopenAndIdentifiersAreNeverReused)
{
    const RecordId a = insert(at("a"), 81, 5), c = insert(at("c"), 83, 7);
    m_now = m_now.addMSecs(1);
    await(m_store->markTemporary(a, 0.125)); // expires at .376: sub-second precision
    await(m_store->deleteRecord(c));
    const auto fields = [](const TrackedFile& r) {
        const auto ms = [](std::optional<QDateTime> t) { return t ? t->toMSecsSinceEpoch() : -1; };
        return std::tuple(r.inode, r.filePath, r.fileName, r.fileSize, int(r.state),
                          ms(r.detectedAt), ms(r.markedTemporaryAt), ms(r.expiresAt),
                          ms(r.inodeSince));
    };
    const auto before = fields(*record(a));
    openStore();
    EXPECT_EQ(fields(record(a).value_or(TrackedFile{})), before);
    EXPECT_GT(insert(at("d"), 84).value, c.value);
}

// Another writer holds the lock, or another program renames the table under
// the open store so that no statement of the save can be prepared.
TEST_F(TrackedFileActorTest, AFailedSaveKeepsTheChangeVisibleAndTheNextSaveWritesIt)
{
    const std::pair<const char*, const char*> blockers[] = {
        {"BEGIN IMMEDIATE", "ROLLBACK"},
        {"ALTER TABLE TrackedFile RENAME TO Elsewhere",
         "ALTER TABLE Elsewhere RENAME TO TrackedFile"}};
    for (const auto& [block, unblock] : blockers) {
        SCOPED_TRACE(block);
        m_folder = testenv::freshFolder("store"); // an empty store file each time
        openStore();
        const auto blocker = other(block);
        QSignalSpy changed(m_store.get(), &TrackedFileActor::changed);
        // A lifetime is the exception: it is undone and reported (below).
        const RecordId id = insert(at("pending.bin"), 91);
        await(m_store->keep(id));
        EXPECT_EQ(record(id)->state, FileState::dismissed);
        EXPECT_FALSE(await(m_store->save()));
        EXPECT_EQ(changed.count(), 0);
        ASSERT_TRUE(blocker->exec(unblock));
        EXPECT_EQ(rowsOnDisk(), 0);
        insert(at("second.bin"), 92);
        EXPECT_EQ(rowsOnDisk(), 2);
        EXPECT_TRUE(waitUntil([&] { return changed.count() == 1; }));
        openStore();
        EXPECT_EQ(record(id)->state, FileState::dismissed);
    }
}

// What a hand-edited or damaged file may hold where a date belongs: never an
// expiry in the past, so never a file trashed at the next start, nor one to
// schedule.
TEST_F(TrackedFileActorTest, UnreadableOrAbsurdExpiriesMeanNoExpiry)
{
    // What the file holds, and whether it reads as an expiry.
    const std::pair<const char*, bool> cases[] = {
        {"'yesterday'", false}, {"1e300", false},     {"-1e300", false},     {"x'00'", false},
        {"-5", false},          {"1772366400", true}, {"1772366400.5", true}};
    for (const auto& [stored, readable] : cases) {
        const RecordId id = track("f");
        await(m_store->markTemporary(id, 10));
        editStoreFile(QByteArray("UPDATE TrackedFile SET expiresAt = ") + stored);
        m_now = QDateTime(QDate(2100, 1, 1), QTime(0, 0), Qt::UTC);
        const auto loaded = record(id);
        ASSERT_TRUE(loaded) << stored;
        EXPECT_EQ(loaded->expiresAt.has_value(), readable) << stored;
        EXPECT_EQ(await(m_store->fetchExpired()).size(), readable ? 1u : 0u) << stored;
        EXPECT_EQ(await(m_store->temporaryExpirations()).size(), readable ? 1u : 0u) << stored;
        await(m_store->deleteRecord(id));
        m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    }
}

TEST_F(TrackedFileActorTest, ALifetimeTheStoreCannotSaveIsReportedAndLeftUndoneButOpeningWaits)
{
    const RecordId marked = track("marked.pdf");
    await(m_store->markTemporary(marked, 60));
    const RecordId fresh = track("fresh.pdf");
    const TrackedFile before = *record(marked);
    const auto writer = other("BEGIN EXCLUSIVE"); // every save fails while it holds
    for (const MarkedExpiry& result :
         {await(m_store->markTemporary(fresh, 60)), await(m_store->extendExpiry(marked, 3600))}) {
        EXPECT_FALSE(result.has_value());
        EXPECT_TRUE(result.error.contains("locked")) << result.error.toStdString();
    }
    ASSERT_TRUE(writer->exec("COMMIT"));
    // A later save must not bring in what the user was told had failed.
    EXPECT_TRUE(await(m_store->save()));
    openStore();
    EXPECT_EQ(record(fresh)->state, FileState::unprocessed);
    EXPECT_EQ(record(marked)->expiresAt, before.expiresAt);
    EXPECT_FALSE(tags::readTags(at("fresh.pdf")).contains(tags::programTag));
    // Opening waits for the other writer instead of failing.
    m_store.reset();
    ASSERT_TRUE(writer->exec("BEGIN EXCLUSIVE"));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        writer->exec("COMMIT");
    });
    QString error;
    auto store = TrackedFileActor::open(options({}, 5000), &error);
    release.join();
    EXPECT_TRUE(store) << error.toStdString();
}

TEST_F(TrackedFileActorTest, AfterShutdownEveryCallFinishesCancelledInsteadOfWaiting)
{
    const RecordId id = track("late.pdf");
    m_store->shutdown();
    const QFuture<void> calls[] = {
        QFuture<void>(m_store->save()), QFuture<void>(m_store->markTemporary(id)),
        QFuture<void>(m_store->deleteNow(id)),
        QFuture<void>(m_store->perform<bool>([](TrackedFileActor::Context&) { return true; }))};
    for (const QFuture<void>& call : calls) {
        EXPECT_TRUE(waitUntil([&] { return call.isFinished(); }));
        EXPECT_TRUE(call.isCanceled());
    }
    EXPECT_TRUE(QFile::exists(at("late.pdf")));
}

// A store written before "Keep forever" existed opens with its records
// unpinned, and a pin made then survives the next start; a state this version
// does not know reads as kept; a newer store is refused.
TEST_F(TrackedFileActorTest, StoresOfOtherVersionsOpenAsTheirSchemaAllows)
{
    m_store.reset();
    QFile::remove(storePath());
    editStoreFile(R"sql(
            CREATE TABLE TrackedFile (id INTEGER PRIMARY KEY AUTOINCREMENT,
                inode INTEGER NOT NULL UNIQUE, filePath TEXT NOT NULL, fileName TEXT NOT NULL,
                state TEXT NOT NULL, detectedAt REAL NOT NULL, markedTemporaryAt REAL,
                expiresAt REAL, fileSize INTEGER NOT NULL, inodeSince REAL NOT NULL);
            INSERT INTO TrackedFile VALUES (7, 41, '/d/old.pdf', 'old.pdf', 'dismissed',
                1772366400, NULL, NULL, 5, 1772366400);
            PRAGMA user_version = 1;)sql");
    const auto old = record(RecordId{7}).value_or(TrackedFile{});
    EXPECT_EQ(std::tuple(old.fileName, old.pinned), std::tuple(QString("old.pdf"), false));
    EXPECT_EQ(await(m_store->setPinned(RecordId{7}, true)), QString());
    openStore();
    EXPECT_TRUE(record(RecordId{7}).value_or(TrackedFile{}).pinned);
    editStoreFile("UPDATE TrackedFile SET state = 'archived'");
    EXPECT_EQ(record(RecordId{7}).value_or(TrackedFile{}).state, FileState::dismissed);
    editStoreFile("PRAGMA user_version = 3", false);
    QString error;
    EXPECT_FALSE(TrackedFileActor::open(options(), &error));
}
