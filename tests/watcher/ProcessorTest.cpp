// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatcherFixture.h"
#include "store/Tags.h"

#include <QDir>
#include <QElapsedTimer>
#include <unistd.h>

namespace {

using ProcessorTest = WatcherFixture;

// News is what is complete: a download once it has its own name, a folder
// once it has content. Each is recorded and announced once.
TEST_F(ProcessorTest, FinishedDownloadsAndFoldersWithContentAreRecordedAndAnnouncedOnce)
{
    startWatching();
    const QString partial =
        testenv::writeFile(at("Report.pdf.crdownload"), QByteArray(20 * 4096, 'r'));
    ASSERT_TRUE(QDir().mkdir(at("Empty")));
    ASSERT_TRUE(settleWatcher());
    EXPECT_TRUE(records().empty());

    moveOver(partial, at("Report.pdf"));
    testenv::writeFile(at("Empty/inside.txt"));
    // Moved in with content: recorded at once. Created empty and deleted: never.
    ASSERT_TRUE(QDir().mkpath(m_outside + "/Full"));
    testenv::writeFile(m_outside + "/Full/a");
    moveOver(m_outside + "/Full", at("Full"));
    ASSERT_TRUE(QDir().mkdir(at("Fleeting")));
    ASSERT_TRUE(QDir().rmdir(at("Fleeting")));
    for (const char* name : {"Report.pdf", "Empty", "Full"})
        ASSERT_TRUE(waitForRecord(at(name))) << name;
    ASSERT_TRUE(settleWatcher());

    const auto report = recordAt(at("Report.pdf"));
    EXPECT_EQ(report->fileName, "Report.pdf");
    EXPECT_EQ(report->fileSize, 20 * 4096);
    EXPECT_EQ(report->state, FileState::unprocessed);
    EXPECT_EQ(recordAt(at("Empty"))->fileSize, 0);
    const auto all = records();
    EXPECT_EQ(all.size(), 3u) << "no record for the fleeting folder or items inside one";
    const auto news = announced();
    EXPECT_EQ(news.size(), all.size());
    for (const TrackedFile& record : all)
        EXPECT_EQ(std::count(news.begin(), news.end(), record.id), 1);
}

// That a kept record passes nothing on is the store's activeInode rule and a
// row of the reconcile table; here the kernel's two ways of replacing a file.
TEST_F(ProcessorTest, AFileReplacedInPlaceKeepsItsTemporaryRecordAndMark)
{
    startWatching();
    for (const bool byRenameOver : {false, true}) {
        const QString name = byRenameOver ? "saved-over.txt" : "deleted-and-written.txt";
        SCOPED_TRACE(name.toStdString());
        const QString file = testenv::writeFile(at(name), "v1");
        ASSERT_TRUE(waitForRecord(file));
        const TrackedFile before = *recordAt(file);
        const auto expiry = await(m_store->markTemporary(before.id, 600.0));
        // Keep the old inode allocated so the new file cannot be given it.
        const QByteArray keep = QFile::encodeName(m_outside + '/' + name);
        ASSERT_EQ(::link(QFile::encodeName(file).constData(), keep.constData()), 0);
        if (byRenameOver) {
            // A hidden temporary, as editors write them.
            moveOver(testenv::writeFile(at("." + name + ".new"), "version 2"), file);
        } else {
            ASSERT_TRUE(QFile::remove(file));
            testenv::writeFile(file, "version 2");
        }
        ASSERT_NE(inodeOf(file), before.inode);
        ASSERT_TRUE(waitForRecord(file));
        ASSERT_TRUE(settleWatcher()); // the delay has passed and nothing is pending

        const auto after = recordAt(file);
        EXPECT_EQ(after->id, before.id);
        EXPECT_EQ(after->state, FileState::temporary);
        EXPECT_EQ(after->expiresAt, expiry);
        EXPECT_FALSE(recordAt({}, before.inode)) << "the old inode's record is gone";
        // The file manager shows the mark on the new file too.
        EXPECT_EQ(tags::readTags(file), QStringList{tags::programTag});
        if (byRenameOver) {
            EXPECT_EQ(after->fileSize, 9); // complete before it took the name
        }
    }
    EXPECT_EQ(announced().size(), 2u) << "only the first versions were news";
}

TEST_F(ProcessorTest, ReusedInodeAfterDeletionIsANewItem)
{
    startWatching();
    // ext4 and tmpfs hand a freed inode to the next file: the new file must
    // not be mistaken for the deleted one.
    for (int round = 0; round < 5; ++round) {
        const QString first = testenv::writeFile(at(QStringLiteral("first%1").arg(round)));
        ASSERT_TRUE(waitForRecord(first));
        ASSERT_TRUE(QFile::remove(first));
        ASSERT_TRUE(waitForRecord(testenv::writeFile(at(QStringLiteral("second%1").arg(round)))));
    }
    ASSERT_TRUE(settleWatcher());
    const auto all = records();
    EXPECT_EQ(all.size(), 5u);
    for (const TrackedFile& record : all)
        EXPECT_TRUE(record.fileName.startsWith("second"));
    EXPECT_EQ(announced().size(), 10u);
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
    const QString tracked = testenv::writeFile(at("tracked.txt"));
    insert(tracked, inodeOf(tracked));
    insert(at("vanished.txt"), 987654321);
    // Renamed while events were lost: the record follows.
    const QString movedNow = testenv::writeFile(at("moved-now.txt"));
    insert(at("moved-before.txt"), inodeOf(movedNow));
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
    EXPECT_TRUE(recordAt(tracked));
    EXPECT_TRUE(recordAt(movedNow));
    EXPECT_EQ(records().size(), 3u) << "the vanished item's record goes; the empty folder waits";

    // Filled later: recorded, still as an existing item.
    testenv::writeFile(at("EmptyFolder/inside.txt"));
    ASSERT_TRUE(waitForRecord(at("EmptyFolder")));
    EXPECT_EQ(recordAt(at("EmptyFolder"))->state, FileState::dismissed);
    EXPECT_TRUE(announced().empty());
}

} // namespace
