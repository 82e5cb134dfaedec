// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "StoreFixture.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/FileProcessor.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <optional>
#include <sys/stat.h>
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
        m_outside = testenv::freshFolder(QStringLiteral("elsewhere"));
    }

    void TearDown() override
    {
        if (m_processor)
            m_processor->stop();
        if (m_monitor)
            m_monitor->stop();
        m_processor.reset();
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
            shortDelay);
        auto stream = m_monitor->makeEventStream();
        await(m_monitor->start());
        await(m_processor->start(stream));
    }

    QString path(const QString& name) const { return m_downloads + QLatin1Char('/') + name; }

    static void rename(const QString& from, const QString& to)
    {
        ASSERT_EQ(::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()),
                  0)
            << from.toStdString() << " -> " << to.toStdString();
    }

    std::vector<TrackedFile> records() { return await(m_store->recordsNewestFirst()); }

    std::optional<TrackedFile> recordAt(const QString& filePath)
    {
        for (const TrackedFile& record : records()) {
            if (record.filePath == filePath)
                return record;
        }
        return std::nullopt;
    }

    std::optional<TrackedFile> recordFor(std::uint64_t inode)
    {
        for (const TrackedFile& record : records()) {
            if (record.inode == inode)
                return record;
        }
        return std::nullopt;
    }

    // Waits for the record of the item now at `filePath` (matching inode).
    bool waitForRecord(const QString& filePath)
    {
        return waitUntil([&] {
            const auto record = recordAt(filePath);
            return record && record->inode == inodeOf(filePath);
        });
    }

    std::vector<RecordId> announced()
    {
        QMutexLocker lock(&m_mutex);
        return m_announced;
    }

    // Waits until a diagnostic line equal to `line` was written.
    static bool waitForLine(const QString& line)
    {
        return waitUntil([&] { return logcapture::contains(line); });
    }

    // Waits until the reconciler has nothing left to do: no removal pending
    // and a marker file's event handled after everything before it.
    bool settleWatcher()
    {
        const QString marker = path(QStringLiteral(".settle-%1").arg(++m_settles));
        testenv::writeFile(marker);
        const QString line = QStringLiteral("  SKIP: ignored name ") + marker.section('/', -1);
        const bool seen = waitForLine(line);
        QFile::remove(marker);
        return seen && waitUntil([&] { return await(m_processor->pendingRemovalCount()) == 0; });
    }

    QString m_outside;
    std::unique_ptr<FSEventsMonitor> m_monitor;
    std::unique_ptr<FileProcessor> m_processor;
    QMutex m_mutex;
    std::vector<RecordId> m_announced;
    int m_settles = 0;
};
