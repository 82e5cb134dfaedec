// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// What lstat tells of an item, without following a symbolic link.
struct ItemStat {
    std::uint64_t inode = 0;
    bool isDirectory = false;
    bool isSymlink = false;
    bool isRegular = false;
    std::int64_t size = 0;
    std::uint64_t device = 0;
    // When the item was created, where the file system records it.
    std::optional<QDateTime> birthTime;
    // When the item or its metadata last changed (UTC).
    QDateTime changeTime;
};

namespace fs {

std::optional<ItemStat> lstat(const QString& path);
// The same, following a symbolic link.
std::optional<ItemStat> stat(const QString& path);
// Whether the path (not followed if a link) holds the item with this inode.
bool holdsItem(const QString& path, std::uint64_t inode);

// The raw names inside a folder (not recursive, hidden entries included,
// "." and ".." left out), in the order the kernel lists them.
struct Listing {
    std::vector<QByteArray> names;
    QString error; // empty on success
    bool ok() const { return error.isEmpty(); }
};
Listing listDirectory(const QString& path);

// A raw name as text, or nothing when the bytes do not survive the round
// trip (invalid UTF-8): such a name could lead an operation to another file.
std::optional<QString> decodeName(const QByteArray& raw);

// The description of an errno value, as strerror gives it.
QString errorText(int error);

} // namespace fs
