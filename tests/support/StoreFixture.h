// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeTrash.h"
#include "TestSupport.h"
#include "platform/PostedCalls.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QThreadPool>
#include <atomic>

// The one store harness: a real store file in a fresh folder, a real
// Downloads folder, a Trash of the test's choosing and a clock it can set.
class StoreFixture : public testing::Test {
protected:
    void SetUp() override { openStore(); }

    void TearDown() override
    {
        stopStore();
        m_store.reset();
    }

    // Stops the store as the program does at exit, before the objects that
    // await it go: what it still owed them reaches them now, cancelled if
    // need be (ARCHITECTURE.md, "Shutdown").
    void stopStore()
    {
        if (m_store)
            m_store->shutdown();
        QThreadPool::globalInstance()->waitForDone();
        deliverPostedCalls();
    }

    // (Re)opens the store; `trash` replaces the fake one (makeSystemTrash()
    // for the real Trash).
    void openStore(std::shared_ptr<Trash> trash = {})
    {
        m_store.reset();
        QString error;
        m_store = TrackedFileActor::open(options(trash), &error);
        m_actor = m_store.get();
        ASSERT_TRUE(m_store) << error.toStdString();
    }

    TrackedFileActor::Options options(std::shared_ptr<Trash> trash = {}, int busyTimeoutMs = 0)
    {
        // A set clock, or the wall clock less a lag.
        const auto clock = [this] {
            return m_now.isValid() ? m_now
                                   : QDateTime::currentDateTimeUtc().addMSecs(-m_clockLagMs.load());
        };
        return {storePath(), trash ? trash : m_trash,
                m_downloads, [this] { return m_defaultInterval; },
                clock,       busyTimeoutMs};
    }

    QString storePath() const { return m_folder + "/Vantle.store"; }
    QString at(const QString& name) const { return m_downloads + QLatin1Char('/') + name; }
    // A real file in Downloads, with its real inode.
    std::pair<QString, std::uint64_t> makeFile(const QString& name,
                                               const QByteArray& bytes = "data")
    {
        const QString path = testenv::writeFile(at(name), bytes);
        return {path, inodeOf(path)};
    }

    RecordId insert(const QString& path, std::uint64_t inode, std::int64_t size = 4)
    {
        return await(m_store->insertRecord(inode, path, QFileInfo(path).fileName(), size));
    }
    // A real file in Downloads with its record.
    RecordId track(const QString& name, const QByteArray& bytes = "data")
    {
        const auto [path, inode] = makeFile(name, bytes);
        return insert(path, inode, bytes.size());
    }

    std::optional<TrackedFile> record(RecordId id) { return await(m_actor->record(id)); }
    std::vector<TrackedFile> records() { return await(m_actor->recordsNewestFirst()); }
    // The record at a path, or with an inode when one is given.
    std::optional<TrackedFile> recordAt(const QString& filePath, std::uint64_t inode = 0)
    {
        for (const TrackedFile& record : records())
            if (inode ? record.inode == inode : record.filePath == filePath)
                return record;
        return std::nullopt;
    }

    QString m_folder = testenv::freshFolder("store");
    QString m_downloads = testenv::freshFolder("Downloads");
    std::shared_ptr<FakeTrash> m_trash = std::make_shared<FakeTrash>(m_folder + "/fake-trash");
    std::unique_ptr<TrackedFileActor> m_store;
    TrackedFileActor* m_actor = nullptr; // the open store, also once a test hands it over
    QDateTime m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 250), Qt::UTC);
    std::atomic<qint64> m_clockLagMs{0};
    double m_defaultInterval = 3600;
};
