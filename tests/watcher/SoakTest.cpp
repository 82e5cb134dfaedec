// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatcherFixture.h"
#include "WatcherSoak.h"

#include <QLoggingCategory>

namespace {

using SoakTest = WatcherFixture;

TEST_F(SoakTest, StoreMatchesFolderAfterRandomOperations)
{
    QLoggingCategory::setFilterRules("vantle.*.debug=false");
    startWatching();
    soak::Generator(m_downloads, m_outside, 20261206).step(2000);
    QStringList problems;
    const bool matched = waitUntil(
        [&] {
            problems = soak::mismatches(m_downloads, await(m_store->allRecords()));
            return problems.isEmpty() && await(m_processor->pendingRemovalCount()) == 0;
        },
        std::chrono::seconds(60));
    QLoggingCategory::setFilterRules("vantle.*.debug=true");
    EXPECT_TRUE(matched) << problems.join('\n').toStdString();
    // Once quiet, the result holds: nothing further changes it.
    ASSERT_TRUE(settleWatcher());
    problems = soak::mismatches(m_downloads, await(m_store->allRecords()));
    EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
    EXPECT_GT(await(m_store->allRecords()).size(), 20u);
}

TEST_F(SoakTest, OverflowedQueueIsRescanned)
{
    QLoggingCategory::setFilterRules("vantle.*.debug=false\nvantle.watcher.debug=true");
    startWatching();
    // Fill the kernel's queue while the monitor does not read it: each file
    // below queues two events (created, closed after writing).
    const int queueSize =
        testenv::contentOf("/proc/sys/fs/inotify/max_queued_events").trimmed().toInt();
    ASSERT_GT(queueSize, 0);
    const int files = queueSize / 2 + 200;
    await(m_monitor->setReadingPaused(true));
    for (int i = 0; i < files; ++i)
        soak::write(at(QStringLiteral("burst-%1").arg(i)), {});
    await(m_monitor->setReadingPaused(false));
    const bool allRecorded =
        waitUntil([&] { return await(m_store->allRecords()).size() == std::size_t(files); },
                  std::chrono::seconds(60));
    QLoggingCategory::setFilterRules("vantle.*.debug=true");
    EXPECT_TRUE(allRecorded) << await(m_store->allRecords()).size() << " of " << files;
    EXPECT_EQ(logcapture::count("inotify queue overflowed"), 1);
    EXPECT_TRUE(soak::mismatches(m_downloads, await(m_store->allRecords())).isEmpty());
}

} // namespace
