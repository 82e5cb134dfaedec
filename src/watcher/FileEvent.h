// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// The flag word of one file-system event. The bit values are those the rest of
// the program knows; bits without a name are kept but not described.
struct FSEventFlags {
    static constexpr std::uint32_t created = 0x100;
    static constexpr std::uint32_t removed = 0x200;
    static constexpr std::uint32_t renamed = 0x800;
    static constexpr std::uint32_t modified = 0x1000;
    static constexpr std::uint32_t isFile = 0x10000;
    static constexpr std::uint32_t isDir = 0x20000;
    static constexpr std::uint32_t mustScan = 0x1;
    // With mustScan: the folder is watched anew (it was missing or away), so
    // what is in it now was not seen arriving.
    static constexpr std::uint32_t rootChanged = 0x20;

    std::uint32_t rawValue = 0;

    constexpr bool contains(std::uint32_t bits) const { return (rawValue & bits) == bits; }
    constexpr bool containsAny(std::uint32_t bits) const { return (rawValue & bits) != 0; }
    // The names of the set members, in the order created, removed, renamed,
    // modified, isFile, isDir, mustScan, rootChanged, joined by ", ".
    QString description() const;

    friend constexpr bool operator==(FSEventFlags, FSEventFlags) = default;
};

// One item event: the item's absolute path, its inode (0 when unknown), the
// flags and when the batch holding it was read.
struct FileEvent {
    QString path;
    std::uint64_t inode = 0;
    FSEventFlags flags;
    QDateTime timestamp;
    // A rename within one folder: where the item was before. Empty when the
    // item came from elsewhere or the two halves of the rename were not seen together.
    QString movedFrom;
};
