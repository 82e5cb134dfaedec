// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "watcher/FSEventsMonitor.h"

#include <QDir>

namespace {

// The monitor alone, its events collected from the sequence.
class MonitorTest : public testing::Test {
protected:
    void start(std::chrono::milliseconds retry = FSEventsMonitor::retryInterval)
    {
        m_monitor = std::make_unique<FSEventsMonitor>(m_root, retry);
        m_stream = m_monitor->makeEventStream();
        await(m_monitor->start());
    }

    QString path(const QString& name) const { return m_root + QLatin1Char('/') + name; }
    std::vector<FileEvent> eventsAt(const QString& eventPath)
    {
        while (auto event = m_stream->next())
            m_events.push_back(*event);
        std::vector<FileEvent> matching;
        std::copy_if(m_events.begin(), m_events.end(), std::back_inserter(matching),
                     [&](const FileEvent& event) { return event.path == eventPath; });
        return matching;
    }

    // Waits for an event at `eventPath` whose flags hold `flags`.
    std::optional<FileEvent> waitFor(const QString& eventPath, std::uint32_t flags)
    {
        std::optional<FileEvent> found;
        waitUntil([&] {
            for (const FileEvent& event : eventsAt(eventPath))
                if (!found && event.flags.contains(flags))
                    found = event;
            return found.has_value();
        });
        return found;
    }

    // No event at `eventPath`: one at a marker written after it proves it had its chance.
    bool nothingAt(const QString& eventPath)
    {
        const QString marker = testenv::writeFile(path(QString("marker%1").arg(++m_markers)));
        return waitFor(marker, FSEventFlags::created) && eventsAt(eventPath).empty();
    }

    QString m_root = testenv::freshFolder("Downloads");
    std::unique_ptr<FSEventsMonitor> m_monitor;
    std::shared_ptr<FileEventStream> m_stream;
    std::vector<FileEvent> m_events;
    int m_markers = 0;
};

TEST_F(MonitorTest, EventsCarryPathInodeAndFlagsFromSubfoldersAndAFolderThatComesBackUntilStop)
{
    ASSERT_TRUE(QDir().mkpath(path("early")));
    start(std::chrono::milliseconds(100));
    const QString a = testenv::writeFile(path("a.txt")), b = path("b.txt");
    const std::uint64_t inode = inodeOf(a);
    ASSERT_TRUE(waitFor(a, FSEventFlags::created | FSEventFlags::isFile));
    EXPECT_FALSE(eventsAt(a)[0].flags.contains(FSEventFlags::isDir));
    // A rename within the folder is told once, at the new name, with the old
    // one. That a move out or a deletion carries the inode from the monitor's
    // map, the item being gone from disk, is ProcessorTest's removal test.
    ASSERT_TRUE(QFile::rename(a, b));
    const FileEvent renamed = waitFor(b, FSEventFlags::renamed).value_or(FileEvent{});
    EXPECT_EQ(std::tuple(renamed.inode, renamed.movedFrom), std::tuple(inode, a));
    EXPECT_FALSE(std::any_of(m_events.begin(), m_events.end(), [&](const FileEvent& event) {
        return event.path == a && event.flags.contains(FSEventFlags::renamed);
    })) << "the rename's old half is not told on its own";
    // A subfolder present at start and one that appears later are both watched.
    EXPECT_TRUE(waitFor(testenv::writeFile(path("early/x")), FSEventFlags::created));
    ASSERT_TRUE(QDir().mkdir(path("late")));
    EXPECT_TRUE(waitFor(path("late"), FSEventFlags::created | FSEventFlags::isDir));
    EXPECT_TRUE(waitFor(testenv::writeFile(path("late/y")), FSEventFlags::created));
    // A subfolder renamed inside Downloads reports under its new name.
    ASSERT_TRUE(QFile::rename(path("late"), path("renamed")));
    EXPECT_TRUE(waitFor(testenv::writeFile(path("renamed/z")), FSEventFlags::created));
    // Third level: nothing.
    ASSERT_TRUE(QDir().mkdir(path("renamed/deep")));
    EXPECT_TRUE(nothingAt(testenv::writeFile(path("renamed/deep/w"))));
    // A subfolder moved out is no longer watched from its new place.
    const QString outside = testenv::freshFolder("outside");
    ASSERT_TRUE(QFile::rename(path("early"), outside + "/early"));
    ASSERT_TRUE(waitFor(path("early"), FSEventFlags::renamed));
    testenv::writeFile(outside + "/early/after");
    EXPECT_TRUE(nothingAt(path("early/after")));
    // Renamed away while watched: watching stops, then resumes on the new
    // folder, which is scanned. Missing at start it is retried the same way
    // (ProcessorTest's rescan test).
    ASSERT_TRUE(QFile::rename(m_root, m_root + ".old"));
    ASSERT_TRUE(waitUntil([&] { return !await(m_monitor->isWatching()); }));
    ASSERT_TRUE(QDir().mkpath(m_root));
    ASSERT_TRUE(waitUntil([&] { return await(m_monitor->isWatching()); }));
    ASSERT_EQ(waitFor(m_root, FSEventFlags::mustScan).value_or(FileEvent{{}, 1}).inode, 0u);
    EXPECT_TRUE(waitFor(testenv::writeFile(path("after.txt")), FSEventFlags::created));
    // Nothing is reported from the old folder's new place.
    testenv::writeFile(m_root + ".old/ghost");
    EXPECT_TRUE(nothingAt(path("ghost")));
    m_monitor->stop();
    eventsAt({}); // the marker's last events, told before the stop
    EXPECT_TRUE(m_stream->isFinished());
}

TEST_F(MonitorTest, OneReadMergesPerItemAndKeepsNewItemsApart)
{
    start();
    // Moved in whole, so that no late write event of it can reach a read of its own.
    const QString victim = path("doc.txt"), renamedAway = path("notes.txt");
    moveOver(testenv::writeFile(m_root + "-doc.txt", "old"), victim);
    moveOver(testenv::writeFile(m_root + "-notes.txt", "notes"), renamedAway);
    const std::uint64_t oldInode = inodeOf(victim), notesInode = inodeOf(renamedAway);
    ASSERT_TRUE(waitFor(victim, FSEventFlags::renamed));
    ASSERT_TRUE(waitFor(renamedAway, FSEventFlags::renamed));
    m_events.clear();
    await(m_monitor->setReadingPaused(true));
    // A name deleted and written again: the kernel may hand out the same inode.
    const QString again = testenv::writeFile(path("again.txt"), "first");
    ASSERT_TRUE(QFile::remove(again));
    testenv::writeFile(again, "second");
    const std::uint64_t againInode = inodeOf(again);
    const QString fresh = testenv::writeFile(path("fresh.bin"), "payload");
    // A save through a temporary file renamed over the original.
    const QString temp = testenv::writeFile(path("doc.txt.tmp"), "new");
    const std::uint64_t newInode = inodeOf(temp);
    moveOver(temp, victim);
    // Renamed, then saved over under its new name: the rename still tells of
    // the item that made it, and that item's end is told too.
    const QString landed = path("notes-final.txt");
    moveOver(renamedAway, landed);
    const QString notesTemp = testenv::writeFile(path("notes-final.txt.tmp"), "newer");
    const std::uint64_t savedInode = inodeOf(notesTemp);
    moveOver(notesTemp, landed);
    await(m_monitor->setReadingPaused(false));
    ASSERT_TRUE(waitFor(victim, FSEventFlags::renamed));
    // Created, written and closed in one read: one event.
    const auto freshEvents = eventsAt(fresh);
    ASSERT_EQ(freshEvents.size(), 1u);
    EXPECT_TRUE(freshEvents[0].flags.contains(FSEventFlags::created | FSEventFlags::modified |
                                              FSEventFlags::isFile));
    // The replaced item is reported removed, before the item that took its name.
    const auto docEvents = eventsAt(victim);
    ASSERT_EQ(docEvents.size(), 2u);
    const auto removed = [](const FileEvent& e) { return e.flags.contains(FSEventFlags::removed); };
    EXPECT_EQ(std::tuple(docEvents[0].inode, removed(docEvents[0])), std::tuple(oldInode, true));
    EXPECT_EQ(std::tuple(docEvents[1].inode, removed(docEvents[1])), std::tuple(newInode, false));
    EXPECT_TRUE(docEvents[1].flags.contains(FSEventFlags::renamed));
    const auto landedEvents = eventsAt(landed);
    ASSERT_EQ(landedEvents.size(), 2u);
    EXPECT_EQ(
        std::tuple(landedEvents[0].inode, landedEvents[0].movedFrom, removed(landedEvents[0])),
        std::tuple(notesInode, renamedAway, true));
    EXPECT_EQ(landedEvents[1].inode, savedInode);
    // All events of one read share its timestamp.
    EXPECT_EQ(freshEvents[0].timestamp, docEvents[1].timestamp);
    // The last word on the name written again is the live item, not a removal.
    ASSERT_TRUE(waitUntil([&] {
        const auto events = eventsAt(again);
        return !events.empty() && !events.back().flags.contains(FSEventFlags::removed);
    }));
    EXPECT_EQ(eventsAt(again).back().inode, againInode);
    EXPECT_TRUE(eventsAt(again).back().flags.contains(FSEventFlags::created));
}

} // namespace
