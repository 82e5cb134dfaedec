// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/FileState.h"
#include "store/RecordId.h"

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

// One item seen directly inside Downloads, keyed by its inode. A plain value:
// the store hands out copies, never references to its own records.
struct TrackedFile {
    RecordId id; // assigned by the store on insert
    std::uint64_t inode = 0;
    QString filePath;
    QString fileName;
    FileState state = FileState::unprocessed;
    QDateTime detectedAt;
    std::optional<QDateTime> markedTemporaryAt;
    std::optional<QDateTime> expiresAt;
    std::int64_t fileSize = 0;
    // When the record took its current inode: detectedAt, or the moment an
    // in-place replacement gave it a new one. Used to spot an inode the file
    // system handed to a new item while the program was off.
    QDateTime inodeSince;
    // "Keep forever": no tidy rule takes the item.
    bool pinned = false;

    TrackedFile() = default;
    TrackedFile(std::uint64_t inode, QString filePath, QString fileName, std::int64_t fileSize,
                QDateTime now);

    // Asks the disk: folders are recorded with size 0, and so are empty files.
    bool isFolder() const;
    QString displaySize() const;
};

// A plain copy of an item found on disk, handed to `importExisting`.
struct DownloadFileSnapshot {
    std::uint64_t inode = 0;
    QString filePath;
    QString fileName;
    std::int64_t fileSize = 0;
    // When the item was created, where the file system says.
    std::optional<QDateTime> birthTime;
};

// Plain results of the store's lookups.
struct FileDetails {
    QString fileName;
    QString filePath;
    std::int64_t fileSize = 0;
    std::optional<QUrl> origin; // where it was downloaded from, when known
    bool isFolder = false;
};

struct PendingExpiry {
    RecordId id;
    QDateTime expiresAt;
};

struct ExpiredItem {
    QString filePath;
    std::uint64_t inode = 0;
    RecordId id;
};

struct RecordSummary {
    QString filePath;
    std::uint64_t inode = 0;
    FileState state = FileState::unprocessed;
    RecordId id;
};
