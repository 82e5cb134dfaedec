// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrashJournal.h"
#include "StoreFixture.h"

#include <QMutex>
#include <thread>

using TrashJournalTest = StoreFixture;

TEST_F(TrashJournalTest, EntriesAWeekOldGoAtTheNextWriteAndConcurrentWritersLoseNone)
{
    QMutex clockLock;
    QDateTime now = m_now;
    TrashJournal journal(m_folder + "/trashed.journal", [&] {
        QMutexLocker lock(&clockLock);
        return now;
    });
    journal.append("/t/files/first-to-go", at("first-to-go"), 1);
    now = now.addDays(6);
    journal.append("/t/files/recent", at("recent"), 2);
    EXPECT_EQ(journal.entries().size(), 2u);
    now = now.addDays(1).addSecs(1); // the first is a week and a second old
    ASSERT_EQ(journal.entries().size(), 1u);
    EXPECT_EQ(journal.entries()[0].originalPath, at("recent"));
    journal.append("/t/files/new", at("new"), 3);
    EXPECT_FALSE(testenv::contentOf(journal.path()).contains("first-to-go")) << "pruned";
    const auto entries = journal.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].location, "/t/files/new");
    EXPECT_EQ(entries[1].inode, 3u);
    EXPECT_EQ(entries[1].trashedAt, now);

    // The Trash is reached from pool threads; every note must survive.
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&journal, t, this] {
            for (int i = 0; i < 25; ++i)
                journal.append(QStringLiteral("/t/files/%1-%2").arg(t).arg(i), at("x"), 10 + i);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(journal.entries().size(), 2u + 100u);
}

// Only an item proven to be the record's own is noted, and the Trash's
// location comes back with the result.
TEST_F(TrashJournalTest, OnlyTheRecordsOwnItemIsNoted)
{
    const TrashJournal journal(TrashJournal::besideStore(storePath()));
    const auto [path, inode] = makeFile("a.pdf");
    const auto result = m_store->recordTrash().trash(path, inode);
    ASSERT_EQ(result.outcome, RecordTrash::Outcome::trashed);
    EXPECT_EQ(inodeOf(result.location), inode);
    ASSERT_EQ(journal.entries().size(), 1u);
    EXPECT_EQ(journal.entries()[0].location, result.location);
    EXPECT_EQ(journal.entries()[0].originalPath, path);
    EXPECT_EQ(journal.entries()[0].inode, inode);

    // A save replaced the file in the gap: the newcomer is put back, unnoted.
    const auto [raced, racedInode] = makeFile("b.pdf", "old");
    m_trash->beforeMove([&](const QString& target) {
        moveOver(testenv::writeFile(m_folder + "/staged", "saved meanwhile"), target);
    });
    const auto outcome = m_store->recordTrash().trash(raced, racedInode);
    EXPECT_EQ(outcome.outcome, RecordTrash::Outcome::absent);
    EXPECT_TRUE(outcome.location.isEmpty());
    EXPECT_EQ(journal.entries().size(), 1u);
}
