// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatcherFixture.h"
#include "store/Tags.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>

namespace {

using ProcessorTest = WatcherFixture;

// News is what is complete: a folder once it has content, recorded and
// announced once. A download once it has its own name is the browser replay's.
TEST_F(ProcessorTest, FoldersWithContentAreRecordedAndAnnouncedOnce)
{
    startWatching();
    ASSERT_TRUE(QDir().mkdir(at("Empty")));
    ASSERT_TRUE(settleWatcher());
    EXPECT_TRUE(records().empty());
    testenv::writeFile(at("Empty/inside.txt"));
    // Moved in with content: recorded at once. Created empty and deleted: never.
    ASSERT_TRUE(QDir().mkpath(m_outside + "/Full"));
    testenv::writeFile(m_outside + "/Full/a");
    moveOver(m_outside + "/Full", at("Full"));
    ASSERT_TRUE(QDir().mkdir(at("Fleeting")));
    ASSERT_TRUE(QDir().rmdir(at("Fleeting")));
    // No record for the fleeting folder or items inside one, and no other news.
    expectAnnounced({"Empty", "Full"});
    EXPECT_EQ(announced().size(), 2u);
}

// That a kept record passes nothing on is the store's activeInode rule and a
// row of the reconcile table; here the ways editors replace a file: in place,
// or through a temporary renamed over it, hidden or not (Qt's QSaveFile,
// backup-style and ".tmp" names are recorded for a moment).
TEST_F(ProcessorTest, AFileReplacedInPlaceKeepsItsTemporaryRecordAndMark)
{
    startWatching();
    const std::pair<const char*, const char*> saves[] = {
        {"deleted-and-written.txt", nullptr}, {"hidden.txt", ".hidden.txt.new"},
        {"report.txt", "report.txt.aB3xYz"},  {"notes.txt", "notes.txt~"},
        {"draft.odt", "draft.tmp"},
    };
    for (const auto& [name, temporary] : saves) {
        SCOPED_TRACE(name);
        const QString file = testenv::writeFile(at(name), "v1");
        ASSERT_TRUE(waitForRecord(file));
        const TrackedFile before = *recordAt(file);
        const auto expiry = await(m_store->markTemporary(before.id, 600.0));
        // Keep the old inode allocated so the new file cannot be given it.
        const QByteArray keep = QFile::encodeName(m_outside + '/' + name);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), keep.constData()), 0);
        if (temporary) {
            const QString written = testenv::writeFile(at(temporary), "version 2");
            // A visible temporary is recorded (and announced) before the rename.
            if (!QString(temporary).startsWith('.')) {
                ASSERT_TRUE(waitForRecord(written));
            }
            moveOver(written, file);
        } else {
            ASSERT_TRUE(QFile::remove(file));
            testenv::writeFile(file, "version 2");
        }
        ASSERT_NE(inodeOf(file), before.inode);
        ASSERT_TRUE(settleWatcher()); // the delay has passed and nothing is pending
        const TrackedFile after = recordAt(file).value_or(TrackedFile{});
        EXPECT_EQ(std::tuple(after.id, after.inode, after.state, after.expiresAt, after.fileSize),
                  std::tuple(before.id, inodeOf(file), FileState::temporary, expiry, 9));
        EXPECT_FALSE(recordAt({}, before.inode)) << "the old inode's record is gone";
        if (temporary) {
            EXPECT_FALSE(recordAt(at(temporary))) << "the temporary's record went with it";
        }
        // The file manager shows the mark on the new file too.
        EXPECT_EQ(tags::readTags(file), QStringList{tags::programTag});
    }
    EXPECT_EQ(records().size(), std::size(saves));
}

TEST_F(ProcessorTest, RemovalWaitsForTheDelayUnlessTheItemComesBack)
{
    startWatching();
    for (const bool deleted : {true, false}) {
        const QString file = testenv::writeFile(at("gone.txt"));
        ASSERT_TRUE(waitForRecord(file));
        QElapsedTimer clock;
        clock.start();
        if (deleted)
            ASSERT_TRUE(QFile::remove(file));
        else
            moveOver(file, m_outside + "/gone.txt");
        ASSERT_TRUE(waitForPendingRemovals(1));
        ASSERT_TRUE(waitUntil([&] { return records().empty(); }));
        EXPECT_GE(clock.elapsed(), shortDelay.count()) << deleted;
    }
    // Moved out and back within the delay: the same record follows it.
    const QString file = testenv::writeFile(at("roundtrip.txt"));
    ASSERT_TRUE(waitForRecord(file));
    const RecordId id = recordAt(file)->id;
    moveOver(file, m_outside + "/roundtrip.txt");
    ASSERT_TRUE(waitForPendingRemovals(1));
    moveOver(m_outside + "/roundtrip.txt", at("back.txt"));
    ASSERT_TRUE(waitForRecord(at("back.txt")));
    ASSERT_TRUE(settleWatcher());
    ASSERT_EQ(records().size(), 1u);
    EXPECT_EQ(records()[0].id, id);
}

TEST_F(ProcessorTest, RescanRecordsOnlyUntrackedItems)
{
    const QString tracked = testenv::writeFile(at("tracked.txt"), QByteArray(20, 'g'));
    insert(tracked, inodeOf(tracked)); // it grew while unwatched
    // Records of items gone or renamed meanwhile are StartupTest's and the table's.
    testenv::writeFile(at("new.txt"));
    testenv::writeFile(at(".DS_Store"));
    ASSERT_TRUE(QDir().mkdir(at("EmptyFolder")));
    // The folder missing at start (an unmounted drive): once it is there,
    // its items were not seen arriving: kept, not announced.
    const QString parked = m_downloads + ".parked";
    moveOver(m_downloads, parked);
    startWatching(std::chrono::milliseconds(100));
    moveOver(parked, m_downloads);
    ASSERT_TRUE(waitForRecord(at("new.txt")));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(recordAt(at("new.txt"))->state, FileState::dismissed);
    EXPECT_EQ(recordAt(tracked)->fileSize, 20);
    EXPECT_EQ(records().size(), 2u) << "the empty folder waits";
    // Filled later: recorded, still as an existing item.
    testenv::writeFile(at("EmptyFolder/inside.txt"));
    ASSERT_TRUE(waitForRecord(at("EmptyFolder")));
    EXPECT_EQ(recordAt(at("EmptyFolder"))->state, FileState::dismissed);
    EXPECT_TRUE(announced().empty());
}

// Downloads on a drive of its own. Unmounted, its empty mount point must not
// read as every item gone; mounted again, it is watched and listed as at
// start-up. Mounting needs root, as CI has.
TEST_F(ProcessorTest, AnUnmountedDownloadsDriveKeepsItsRecordsAndIsWatchedAgain)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a file system needs root";
    const QString image = m_outside + "/drive.img";
    const QString elsewhere = m_outside + "/mnt";
    QDir().mkpath(elsewhere);
    ASSERT_TRUE(QFile(testenv::writeFile(image)).resize(8 << 20));
    ASSERT_EQ(QProcess::execute("mkfs.ext2", {"-q", "-F", image}), 0);
    ASSERT_EQ(QProcess::execute("mount", {"-o", "loop", image, m_downloads}), 0);
    auto unmount = qScopeGuard([&] {
        QProcess::execute("umount", {m_downloads});
        QProcess::execute("umount", {elsewhere});
    });
    startWatching(std::chrono::milliseconds(100));
    const QString file = testenv::writeFile(at("a.txt"));
    ASSERT_TRUE(waitForRecord(file));
    const RecordId marked = recordAt(file)->id;
    ASSERT_TRUE(await(m_store->markTemporary(marked, 600.0)));
    ASSERT_EQ(QProcess::execute("umount", {m_downloads}), 0);
    ASSERT_TRUE(waitUntil([&] { return !await(m_monitor->isWatching()); }));
    const int waits = logcapture::count("Downloads is not mounted");
    ASSERT_TRUE(waitUntil([&] { return logcapture::count("Downloads is not mounted") > waits; }));
    EXPECT_EQ(record(marked)->state, FileState::temporary);
    // Something new arrived while it was away.
    ASSERT_EQ(QProcess::execute("mount", {"-o", "loop", image, elsewhere}), 0);
    testenv::writeFile(elsewhere + "/new.txt");
    ASSERT_EQ(QProcess::execute("umount", {elsewhere}), 0);
    ASSERT_EQ(QProcess::execute("mount", {"-o", "loop", image, m_downloads}), 0);
    ASSERT_TRUE(waitForRecord(at("new.txt")));
    ASSERT_TRUE(settleWatcher());
    EXPECT_EQ(record(marked)->state, FileState::temporary);
    EXPECT_EQ(recordAt(at("new.txt"))->state, FileState::dismissed);
    EXPECT_EQ(announced(), std::vector<RecordId>{marked});
}

} // namespace
