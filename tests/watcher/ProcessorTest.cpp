// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatcherFixture.h"
#include "store/Tags.h"

#include <QElapsedTimer>
#include <QSemaphore>

namespace {

using ProcessorTest = WatcherFixture;

TEST_F(ProcessorTest, NewFileIsRecordedAndAnnouncedOnce)
{
    startWatching();
    // Complete before it lands (a file written in place is recorded with
    // the size it has when its creation is handled).
    const QString file = path(QStringLiteral("photo.jpg"));
    rename(testenv::writeFile(m_outside + QStringLiteral("/photo.jpg"), "12345"), file);
    ASSERT_TRUE(waitForRecord(file));
    ASSERT_TRUE(settleWatcher());
    const auto record = recordAt(file);
    EXPECT_EQ(record->fileName, QStringLiteral("photo.jpg"));
    EXPECT_EQ(record->fileSize, 5);
    EXPECT_EQ(record->state, FileState::unprocessed);
    ASSERT_EQ(announced().size(), 1u);
    EXPECT_EQ(announced()[0], record->id);
    EXPECT_TRUE(logcapture::contains(QStringLiteral("  INSERTED: photo.jpg (5 bytes)")));
    EXPECT_EQ(logcapture::count(QStringLiteral("  INSERTED: ")), 1);
}

TEST_F(ProcessorTest, PartialDownloadRenamedIntoPlaceIsAnnouncedOnce)
{
    startWatching();
    const QString partial = path(QStringLiteral("Report.pdf.crdownload"));
    QFile file(partial);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 20; ++i) {
        file.write(QByteArray(4096, 'r'));
        file.flush();
    }
    file.close();
    ASSERT_TRUE(waitForLine(QStringLiteral("  SKIP: ignored name Report.pdf.crdownload")));
    rename(partial, path(QStringLiteral("Report.pdf")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("Report.pdf"))));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(records().size(), 1u);
    EXPECT_EQ(announced().size(), 1u);
    EXPECT_EQ(recordAt(path(QStringLiteral("Report.pdf")))->fileSize, 20 * 4096);
}

TEST_F(ProcessorTest, TrackedRenamesFollowTheItem)
{
    startWatching();
    const QString a = testenv::writeFile(path(QStringLiteral("a.txt")));
    ASSERT_TRUE(waitForRecord(a));
    const RecordId id = recordAt(a)->id;
    rename(a, path(QStringLiteral("b.txt")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("b.txt"))));
    EXPECT_EQ(recordAt(path(QStringLiteral("b.txt")))->id, id);
    EXPECT_EQ(recordAt(path(QStringLiteral("b.txt")))->fileName, QStringLiteral("b.txt"));

    // Renamed to a hidden name: the record goes at once.
    rename(path(QStringLiteral("b.txt")), path(QStringLiteral(".b.txt")));
    ASSERT_TRUE(waitUntil([&] { return records().empty(); }));
    EXPECT_TRUE(waitForLine(QStringLiteral("  TRACKED+RENAMED to ignored name, removing: .b.txt")));
    EXPECT_EQ(announced().size(), 1u);
}

TEST_F(ProcessorTest, ReplacementKeepsTemporaryRecordButNotDismissedOne)
{
    struct Case {
        const char* name;
        bool temporary;
        bool byRenameOver; // a save through a temporary file, else delete and create
    };
    const Case cases[] = {
        {"temp-delete.txt", true, false},
        {"temp-rename.txt", true, true},
        {"kept-delete.txt", false, false},
        {"kept-rename.txt", false, true},
    };
    startWatching();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = testenv::writeFile(path(QString::fromUtf8(c.name)), "v1");
        ASSERT_TRUE(waitForRecord(file));
        const TrackedFile before = *recordAt(file);
        std::optional<QDateTime> expiry;
        if (c.temporary)
            ASSERT_TRUE(expiry = await(m_store->markTemporary(before.id, 600.0)));
        else
            await(m_store->dismiss(before.id));
        const std::size_t announcedBefore = announced().size();

        // Keep the old inode allocated so the new file cannot be given it.
        const QString keep = m_outside + QStringLiteral("/") + QString::fromUtf8(c.name);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(keep).constData()),
                  0);
        if (c.byRenameOver) {
            // A hidden temporary, as editors write them (a visible one would be
            // recorded as a download of its own if seen before the rename).
            const QString temp = testenv::writeFile(
                path(QStringLiteral(".") + QString::fromUtf8(c.name) + QStringLiteral(".new")),
                "version 2");
            rename(temp, file);
        } else {
            ASSERT_TRUE(QFile::remove(file));
            testenv::writeFile(file, "version 2");
        }
        const std::uint64_t newInode = inodeOf(file);
        ASSERT_NE(newInode, before.inode);
        ASSERT_TRUE(waitForRecord(file));
        ASSERT_TRUE(settleWatcher()); // the delay has passed and nothing is pending

        const auto after = recordAt(file);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->inode, newInode);
        if (c.byRenameOver) {
            EXPECT_EQ(after->fileSize, 9); // complete before it took the name
        }
        EXPECT_FALSE(recordFor(before.inode)) << "the old inode's record is gone";
        if (c.temporary) {
            EXPECT_EQ(after->id, before.id);
            EXPECT_EQ(after->state, FileState::temporary);
            EXPECT_EQ(after->expiresAt, expiry);
            EXPECT_EQ(announced().size(), announcedBefore);
            // The file manager shows the mark on the new file too.
            EXPECT_EQ(tags::readTags(file), QStringList{tags::programTag});
        } else {
            EXPECT_NE(after->id, before.id);
            EXPECT_EQ(after->state, FileState::unprocessed);
            EXPECT_EQ(announced().size(), announcedBefore + 1);
        }
    }
}

TEST_F(ProcessorTest, LinksAndSpecialFilesAreNeverRecorded)
{
    startWatching();
    const QString target = testenv::writeFile(m_outside + QStringLiteral("/taxes.pdf"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                        QFile::encodeName(path(QStringLiteral("link.pdf"))).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe"))).constData(), 0600), 0);
    ASSERT_TRUE(settleWatcher());
    EXPECT_TRUE(records().empty());
    EXPECT_TRUE(announced().empty());
}

TEST_F(ProcessorTest, ReusedInodeAfterDeletionIsANewItem)
{
    startWatching();
    // ext4 and tmpfs hand a freed inode to the next file: the new file must
    // not be mistaken for the deleted one.
    for (int round = 0; round < 5; ++round) {
        const QString first = testenv::writeFile(path(QStringLiteral("first%1").arg(round)));
        ASSERT_TRUE(waitForRecord(first));
        ASSERT_TRUE(QFile::remove(first));
        const QString second = testenv::writeFile(path(QStringLiteral("second%1").arg(round)));
        ASSERT_TRUE(waitForRecord(second));
    }
    ASSERT_TRUE(settleWatcher());
    const auto all = records();
    EXPECT_EQ(all.size(), 5u);
    for (const TrackedFile& record : all)
        EXPECT_TRUE(record.fileName.startsWith(QStringLiteral("second")));
    EXPECT_EQ(announced().size(), 10u);
}

TEST_F(ProcessorTest, StaleEventIsSkipped)
{
    auto gate = std::make_shared<QSemaphore>();
    startWatching();
    // Hold the reconciler inside its announcement of a first file.
    m_processor->stop();
    m_processor = std::make_unique<FileProcessor>(
        *m_monitor, *m_store, m_downloads, [gate](RecordId) { gate->tryAcquire(1, 5000); },
        shortDelay);
    auto stream = m_monitor->makeEventStream();
    await(m_processor->start(stream));
    testenv::writeFile(path(QStringLiteral("blocker")));
    ASSERT_TRUE(waitUntil([] { return logcapture::count(QStringLiteral("  INSERTED: blocker")); }));

    // The blocker's own events are in the queue by now; wait until the
    // monitor has handed over the next file's before changing it.
    const std::size_t queued = stream->pending();
    const QString file = testenv::writeFile(path(QStringLiteral("moving.txt")));
    const std::uint64_t oldInode = inodeOf(file);
    ASSERT_TRUE(waitUntil([&] { return stream->pending() > queued; }));
    rename(file, m_outside + QStringLiteral("/moving.txt")); // keeps the inode in use
    testenv::writeFile(file, "other");
    const std::uint64_t newInode = inodeOf(file);
    ASSERT_NE(newInode, oldInode);
    gate->release(10);

    ASSERT_TRUE(waitForLine(QStringLiteral("  SKIP: stale event (path now has inode %1, event "
                                           "was for %2)")
                                .arg(newInode)
                                .arg(oldInode)));
    ASSERT_TRUE(waitForRecord(file));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(records().size(), 2u);
    EXPECT_FALSE(recordFor(oldInode));
}

TEST_F(ProcessorTest, RemovalIsDeferred)
{
    startWatching();
    const QString file = testenv::writeFile(path(QStringLiteral("gone.txt")));
    ASSERT_TRUE(waitForRecord(file));
    const std::uint64_t inode = inodeOf(file);
    // Moved out: deferred, then committed no earlier than the delay.
    QElapsedTimer clock;
    clock.start();
    rename(file, m_outside + QStringLiteral("/gone.txt"));
    ASSERT_TRUE(waitForLine(
        QStringLiteral("  REMOVED: deferring cleanup for inode %1 at %2").arg(inode).arg(file)));
    ASSERT_TRUE(waitUntil([&] { return !recordFor(inode); }));
    EXPECT_GE(clock.elapsed(), shortDelay.count());
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("  Committing deferred removal for inode %1").arg(inode)));

    // A deleted file: removal pending; a second removal restarts the delay.
    const QString other = testenv::writeFile(path(QStringLiteral("other.txt")));
    ASSERT_TRUE(waitForRecord(other));
    const std::uint64_t otherInode = inodeOf(other);
    logcapture::clear();
    ASSERT_TRUE(QFile::remove(other));
    ASSERT_TRUE(waitForLine(QStringLiteral("  REMOVED: deferring cleanup for inode %1 at %2")
                                .arg(otherInode)
                                .arg(other)));
    ASSERT_TRUE(
        waitForLine(QStringLiteral("  Committing deferred removal for inode %1").arg(otherInode)));
    EXPECT_FALSE(recordFor(otherInode));
    EXPECT_EQ(logcapture::count(QStringLiteral("  Committing deferred removal")), 1);
}

TEST_F(ProcessorTest, MovedOutAndBackWithinTheDelayKeepsTheRecord)
{
    startWatching();
    const QString file = testenv::writeFile(path(QStringLiteral("roundtrip.txt")));
    ASSERT_TRUE(waitForRecord(file));
    const RecordId id = recordAt(file)->id;
    rename(file, m_outside + QStringLiteral("/roundtrip.txt"));
    ASSERT_TRUE(waitForLine(
        QStringLiteral("  TRACKED+RENAMED, no longer in Downloads — deferring: roundtrip.txt")));
    rename(m_outside + QStringLiteral("/roundtrip.txt"), path(QStringLiteral("back.txt")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("back.txt"))));
    ASSERT_TRUE(settleWatcher());
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].id, id);
    EXPECT_EQ(records()[0].filePath, path(QStringLiteral("back.txt")));
}

TEST_F(ProcessorTest, FoldersAreAdoptedWhenContentArrives)
{
    startWatching();
    // Created empty, later filled: recorded when the first child arrives.
    ASSERT_TRUE(QDir().mkdir(path(QStringLiteral("Empty"))));
    ASSERT_TRUE(settleWatcher());
    EXPECT_TRUE(records().empty());
    const QString child = testenv::writeFile(path(QStringLiteral("Empty/inside.txt")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("Empty"))));
    EXPECT_TRUE(waitForLine(
        QStringLiteral("  INSERTED (retroactive): Empty (folder, had children arrive)")));
    EXPECT_EQ(recordAt(path(QStringLiteral("Empty")))->fileSize, 0);

    // Moved in with content: recorded at once.
    const QString full = m_outside + QStringLiteral("/Full");
    ASSERT_TRUE(QDir().mkpath(full));
    testenv::writeFile(full + QStringLiteral("/a"));
    rename(full, path(QStringLiteral("Full")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("Full"))));
    EXPECT_TRUE(logcapture::contains(QStringLiteral("  INSERTED: Full (folder)")));

    // Created empty and deleted: never recorded.
    ASSERT_TRUE(QDir().mkdir(path(QStringLiteral("Fleeting"))));
    ASSERT_TRUE(QDir().rmdir(path(QStringLiteral("Fleeting"))));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(records().size(), 2u);
    EXPECT_FALSE(recordAt(path(QStringLiteral("Fleeting"))));
    EXPECT_FALSE(recordAt(child)) << "items inside a folder get no record";
    EXPECT_EQ(announced().size(), 2u);
}

TEST_F(ProcessorTest, RescanRecordsOnlyUntrackedItems)
{
    const QString tracked = testenv::writeFile(path(QStringLiteral("tracked.txt")));
    await(m_store->insertRecord(inodeOf(tracked), tracked, QStringLiteral("tracked.txt"), 1));
    const QString stale = path(QStringLiteral("vanished.txt"));
    await(m_store->insertRecord(987654321, stale, QStringLiteral("vanished.txt"), 1));
    // Renamed while events were lost: the record follows.
    const QString movedNow = testenv::writeFile(path(QStringLiteral("moved-now.txt")));
    await(m_store->insertRecord(inodeOf(movedNow), path(QStringLiteral("moved-before.txt")),
                                QStringLiteral("moved-before.txt"), 1));
    testenv::writeFile(path(QStringLiteral("new.txt")));
    testenv::writeFile(path(QStringLiteral(".DS_Store")));
    ASSERT_TRUE(QDir().mkdir(path(QStringLiteral("EmptyFolder"))));

    // The folder missing at start (an unmounted drive): once it is there,
    // its items were not seen arriving: kept, not announced.
    const QString parked = m_downloads + QStringLiteral(".parked");
    rename(m_downloads, parked);
    startWatching(std::chrono::milliseconds(100));
    rename(parked, m_downloads);
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("new.txt"))));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(recordAt(path(QStringLiteral("new.txt")))->state, FileState::dismissed);
    EXPECT_TRUE(announced().empty());
    EXPECT_TRUE(recordAt(tracked));
    EXPECT_TRUE(recordAt(movedNow));
    EXPECT_FALSE(recordFor(987654321)) << "its item is gone";
    EXPECT_FALSE(recordAt(path(QStringLiteral("EmptyFolder")))) << "recorded once filled";
    EXPECT_EQ(records().size(), 3u);

    // Filled later: recorded, still as an existing item.
    testenv::writeFile(path(QStringLiteral("EmptyFolder/inside.txt")));
    ASSERT_TRUE(waitForRecord(path(QStringLiteral("EmptyFolder"))));
    EXPECT_EQ(recordAt(path(QStringLiteral("EmptyFolder")))->state, FileState::dismissed);
    EXPECT_TRUE(announced().empty());
}

} // namespace
