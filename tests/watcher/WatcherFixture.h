// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoreFixture.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/FileProcessor.h"

#include <QMutex>
#include <vector>

// A real Downloads folder watched by a real monitor, a reconciler with a short
// removal delay, and a real store file; new-file announcements are collected.
class WatcherFixture : public StoreFixture {
protected:
    static constexpr std::chrono::milliseconds shortDelay{300};

    void SetUp() override
    {
        StoreFixture::SetUp();
        m_now = QDateTime(); // the wall clock: it dates when records took their inodes
    }

    void TearDown() override
    {
        m_processor.reset(); // each stops as it goes, the reconciler first
        m_monitor.reset();
        StoreFixture::TearDown();
    }

    // Starts watching; `retry` shortens the monitor's retry for tests that need it.
    void startWatching(std::chrono::milliseconds retry = FSEventsMonitor::retryInterval)
    {
        m_monitor = std::make_unique<FSEventsMonitor>(m_downloads, retry);
        m_processor = std::make_unique<FileProcessor>(
            *m_monitor, *m_store, m_downloads,
            [this](RecordId id) {
                QMutexLocker lock(&m_mutex);
                m_announced.push_back(id);
            },
            shortDelay, m_emptyFileWait);
        auto stream = m_monitor->makeEventStream();
        await(m_monitor->start());
        await(m_processor->start(stream));
    }

    // Waits for the record of the item now at `filePath` (matching inode).
    bool waitForRecord(const QString& filePath)
    {
        return waitUntil([&] {
            const auto record = recordAt(filePath);
            return record && record->inode == inodeOf(filePath);
        });
    }

    bool waitForPendingRemovals(int count)
    {
        return waitUntil([&] { return await(m_processor->pendingRemovalCount()) == count; });
    }

    std::vector<RecordId> announced()
    {
        QMutexLocker lock(&m_mutex);
        return m_announced;
    }
    int timesAnnounced(RecordId id) { return int(std::ranges::count(announced(), id)); }
    // Once quiet, the records are those of `names`, new, each announced once,
    // with its item's size (a folder has none). A browser's probe announced but
    // gone is not told: the toast shows only what is still there.
    void expectAnnounced(const QStringList& names)
    {
        ASSERT_TRUE(settleWatcher());
        const auto all = records();
        ASSERT_EQ(all.size(), std::size_t(names.size()));
        for (const TrackedFile& record : all) {
            SCOPED_TRACE(record.fileName.toStdString());
            EXPECT_TRUE(names.contains(record.fileName));
            EXPECT_EQ(timesAnnounced(record.id), 1);
            const QFileInfo item(record.filePath);
            EXPECT_EQ(record.fileSize, item.isDir() ? 0 : item.size());
            EXPECT_EQ(record.state, FileState::unprocessed);
        }
    }

    // Waits until the reconciler has nothing left to do: no removal pending
    // and a marker file's event handled after everything before it.
    bool settleWatcher()
    {
        const QString marker = at(QStringLiteral(".settle-%1").arg(++m_settles));
        testenv::writeFile(marker);
        const QString line = "  SKIP: ignored name " + marker.section('/', -1);
        const bool seen = waitUntil([&] { return logcapture::count(line) > 0; });
        QFile::remove(marker);
        return seen && waitForPendingRemovals(0);
    }

    QString m_outside = testenv::freshFolder("elsewhere");
    std::chrono::milliseconds m_emptyFileWait = FileProcessor::emptyFileWait;
    std::unique_ptr<FSEventsMonitor> m_monitor;
    std::unique_ptr<FileProcessor> m_processor;
    QMutex m_mutex;
    std::vector<RecordId> m_announced;
    int m_settles = 0;
};
