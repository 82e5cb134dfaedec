// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"
#include "store/TrashJournal.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The one road from a record to the Trash. Only an item directly inside
// Downloads that still is the record's own inode is trashed, checked right
// before; afterwards the item in the Trash is checked to be that inode, and
// anything else (a save that slipped in between) is put back. What it did
// send goes into the journal, so that it can be restored.
class RecordTrash {
public:
    enum class Outcome {
        trashed,
        absent,  // the path no longer holds the record's item: nothing moved
        refused, // the path is not one Vantle records: nothing moved
        failed,  // the Trash refused: the item stays where it is
    };
    struct Result {
        Outcome outcome = Outcome::absent;
        // The reason or the Trash's error; when trashed, why it cannot be
        // put back (its place in the Trash unknown or not noted), else empty.
        QString detail;
        QString location; // trashed: the item in the Trash, when it can be put back
    };

    // `journalPath`: see TrashJournal::besideStore.
    RecordTrash(std::shared_ptr<Trash> trash, QString downloadsPath, QString journalPath);

    // Whether the path names an item directly inside Downloads, spelled the
    // one way the watcher records it.
    bool isRecordablePath(const QString& path) const;
    const QString& downloadsPath() const { return m_downloadsPath; }
    // The guard every item passes right before it leaves Downloads, to the
    // Trash or elsewhere: why it may not (refused, absent), else nothing.
    std::optional<Result> refusal(const QString& path, std::uint64_t inode) const;
    // Blocking; callable from any thread.
    Result trash(const QString& path, std::uint64_t inode) const;
    struct Target {
        QString path;
        std::uint64_t inode = 0;
    };
    // Several at once, one result for each in order. The Trash's own work (a
    // rename and a description per item, mostly in the kernel) dominates, so
    // they go on two threads. Blocking.
    std::vector<Result> trashAll(const std::vector<Target>& targets) const;

    const std::shared_ptr<Trash>& trashBin() const { return m_trash; }
    const TrashJournal& journal() const { return *m_journal; }

private:
    std::shared_ptr<Trash> m_trash;
    std::shared_ptr<TrashJournal> m_journal; // shared by copies, with its lock
    QString m_downloadsPath;
};
