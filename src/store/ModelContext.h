// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/Sqlite.h"
#include "store/TrackedFile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

// The records as the program sees them: everything saved plus the changes not
// yet written. A save writes all pending changes in one transaction; if it
// fails nothing is lost, the changes stay pending and visible to every lookup,
// and the next save that succeeds writes them.
class ModelContext {
public:
    static constexpr int schemaVersion = 2;

    // Opens or creates the store file. On failure returns nothing and `error`
    // holds the description.
    static std::unique_ptr<ModelContext> open(const QString& path, int busyTimeoutMs,
                                              QString* error);

    // Records in fetch order (the order they were inserted).
    const std::map<std::int64_t, TrackedFile>& records() const { return m_records; }
    const TrackedFile* find(RecordId id) const;
    const TrackedFile* findByInode(std::uint64_t inode) const;
    // The newest record at exactly this path (a lost removal can leave two).
    const TrackedFile* findNewestAt(const QString& path) const;
    // The inode of the first record at exactly this path that is not dismissed,
    // other than `other`.
    std::optional<std::uint64_t> activeInodeAt(const QString& path, std::uint64_t other = 0) const;
    // The same, else the inode of the first dismissed record there.
    std::optional<std::uint64_t> inodeAt(const QString& path, std::uint64_t other) const;

    // Inserts a copy and returns its new identifier. The store keeps one record
    // per inode: a record already holding the inode is replaced.
    RecordId insert(TrackedFile record);
    // Applies `change` to the record; its inode may change (a record already
    // holding the new inode is removed). No effect when the id is unknown.
    template <typename F> void update(RecordId id, F&& change);
    void remove(RecordId id);

    bool hasChanges() const { return !m_dirty.empty() || !m_deleted.empty(); }
    // The records removed since the last call, saved or not.
    QList<RecordId> takeRemoved() { return std::exchange(m_removed, {}); }
    // Writes pending changes. Returns nothing on success, else the error.
    std::optional<QString> save();

    sqlite::Database& database() { return *m_db; }

private:
    ModelContext() = default;
    bool load(QString* error);
    void afterInodeChange(const TrackedFile& record);
    void unindexPath(const QString& path, std::int64_t id);

    std::unique_ptr<sqlite::Database> m_db;
    // Prepared once: a save is the store's hottest path.
    std::unique_ptr<sqlite::Statement> m_erase;
    std::unique_ptr<sqlite::Statement> m_write;
    std::map<std::int64_t, TrackedFile> m_records;
    std::unordered_map<std::uint64_t, std::int64_t> m_byInode;
    QHash<QString, std::set<std::int64_t>> m_byPath; // ids in fetch order
    std::set<std::int64_t> m_dirty;                  // inserted or changed since the last save
    std::set<std::int64_t> m_deleted;                // removed since the last save
    QList<RecordId> m_removed;                       // removed since the last takeRemoved
    std::int64_t m_nextId = 1;
};

template <typename F> void ModelContext::update(RecordId id, F&& change)
{
    auto it = m_records.find(id.value);
    if (it == m_records.end())
        return;
    TrackedFile& record = it->second;
    const std::uint64_t before = record.inode;
    const QString pathBefore = record.filePath;
    change(record);
    record.id = id;
    if (record.filePath != pathBefore) {
        unindexPath(pathBefore, id.value);
        m_byPath[record.filePath].insert(id.value);
    }
    if (record.inode != before) {
        m_byInode.erase(before);
        afterInodeChange(record);
    }
    m_dirty.insert(id.value);
}
