// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrashJournal.h"
#include "StoreFixture.h"

#include <thread>

using TrashJournalTest = StoreFixture;

TEST_F(TrashJournalTest, EntriesAWeekOldGoConcurrentWritersLoseNoneAndTheFileGrowsInPlace)
{
    // Only read while the writers run below.
    QDateTime now = m_now;
    TrashJournal journal(m_folder + "/trashed.journal", [&] { return now; });
    journal.append("/t/files/first-to-go", at("first-to-go"), 1);
    now = now.addDays(6);
    journal.append("/t/files/recent", at("recent"), 2);
    EXPECT_EQ(journal.entries().size(), 2u);
    now = now.addDays(1).addSecs(1); // the first is a week and a second old
    ASSERT_EQ(journal.entries().size(), 1u);
    EXPECT_EQ(journal.entries()[0].originalPath, at("recent"));
    journal.append("/t/files/new", at("new"), 3);
    ASSERT_EQ(journal.entries().size(), 2u);
    EXPECT_EQ(journal.entries()[1].trashedAt, now);
    // The Trash is reached from pool threads; every note must survive.
    {
        std::vector<std::jthread> writers; // joined as the block ends
        for (int t = 0; t < 4; ++t)
            writers.emplace_back([&journal, t, this] {
                for (int i = 0; i < 25; ++i)
                    journal.append(QStringLiteral("/t/files/%1-%2").arg(t).arg(i), at("x"), 10 + i);
            });
    }
    EXPECT_EQ(journal.entries().size(), 2u + 100u);
    // A trashing costs one line, whatever the journal holds: the file is added
    // to in place, and what it held stays as it was, a line cut short by a crash too.
    const QString path = m_folder + "/other.journal";
    TrashJournal(path, [&] { return now; }).append("/t/files/kept", at("kept"), 1);
    const QByteArray before = testenv::contentOf(path) + R"({"location":"/t/files/cu)";
    testenv::writeFile(path, before);
    const std::uint64_t inode = inodeOf(path);
    TrashJournal small(
        path, [&] { return now; }, 4096);
    small.append("/t/files/next", at("next"), 2);
    EXPECT_EQ(inodeOf(path), inode) << "not rewritten";
    EXPECT_TRUE(testenv::contentOf(path).startsWith(before));
    ASSERT_EQ(small.entries().size(), 2u);
    EXPECT_EQ(small.entries()[1].location, "/t/files/next");
    // Past the size, the file is rewritten once without what is a week old.
    now = now.addDays(8);
    int rewrites = 0;
    for (int i = 0; inodeOf(path) == inode || i < 40; ++i) {
        const std::uint64_t held = inodeOf(path);
        small.append(QStringLiteral("/t/files/%1").arg(i), at("x"), 10 + i);
        rewrites += inodeOf(path) != held;
        ASSERT_LT(i, 100) << "never compacted";
    }
    EXPECT_EQ(rewrites, 1);
    EXPECT_FALSE(testenv::contentOf(path).contains("/t/files/kept"));
    EXPECT_EQ(small.entries().size(), 40u);
}
