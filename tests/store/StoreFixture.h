// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeTrash.h"
#include "TestSupport.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <sys/stat.h>

// A real store file in a fresh folder, with a clock the test can set.
class StoreFixture : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = testenv::freshFolder(QStringLiteral("store"));
        m_downloads = testenv::freshFolder(QStringLiteral("Downloads"));
        m_trash = std::make_shared<FakeTrash>(m_folder + QStringLiteral("/fake-trash"));
        openStore();
    }

    void openStore(std::shared_ptr<Trash> trash = {}, int busyTimeoutMs = 0)
    {
        m_store.reset();
        QString error;
        TrackedFileActor::Options options;
        options.storePath = storePath();
        options.trash = trash ? trash : m_trash;
        options.defaultInterval = [this] { return m_defaultInterval; };
        options.clock = [this] { return m_now; };
        options.busyTimeoutMs = busyTimeoutMs;
        m_store = TrackedFileActor::open(options, &error);
        ASSERT_TRUE(m_store) << error.toStdString();
    }

    QString storePath() const { return m_folder + QStringLiteral("/Vantle.store"); }

    // A real file in Downloads, with its real inode.
    std::pair<QString, std::uint64_t> makeFile(const QString& name,
                                               const QByteArray& bytes = "data")
    {
        const QString path = testenv::writeFile(m_downloads + QLatin1Char('/') + name, bytes);
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        return {path, std::uint64_t(st.st_ino)};
    }

    RecordId insert(const QString& path, std::uint64_t inode, std::int64_t size = 4)
    {
        return await(m_store->insertRecord(inode, path, QFileInfo(path).fileName(), size));
    }

    std::optional<TrackedFile> record(RecordId id) { return await(m_store->record(id)); }

    QString m_folder;
    QString m_downloads;
    std::shared_ptr<FakeTrash> m_trash;
    std::unique_ptr<TrackedFileActor> m_store;
    QDateTime m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 250), Qt::UTC);
    double m_defaultInterval = 3600;
};
