// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrashJournal.h"
#include "StoreFixture.h"

#include <thread>

using TrashJournalTest = StoreFixture;

TEST_F(TrashJournalTest, EntriesAWeekOldGoAtTheNextWriteAndConcurrentWritersLoseNone)
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
    EXPECT_FALSE(testenv::contentOf(journal.path()).contains("first-to-go")) << "pruned";
    ASSERT_EQ(journal.entries().size(), 2u);
    EXPECT_EQ(journal.entries()[1].trashedAt, now);

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
