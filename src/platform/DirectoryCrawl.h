// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A walk over the folders below a root, listed breadth first with names
// sorted within each folder. It reads only directory entries (their types come with the read, no
// stat per entry), never follows a symbolic link, never enters a network or
// FUSE mount (they can hang) and skips folders it cannot read.
namespace dircrawl {

struct Options {
    // Whether a folder is listed and entered; a rejected folder's subtree is
    // never read. `path` is the full path, `name` its last component, `depth`
    // 1 for the root's children. Bytes as the file system holds them.
    std::function<bool(std::string_view path, std::string_view name, int depth)> accept;
    // Told of every folder the walk opens, the root first. Both callbacks may
    // be called from several threads: `accept` at the same time, `opened`
    // one call at a time.
    std::function<void(std::string_view path)> opened;
    // When set and it turns true, the walk stops reading and returns what it
    // has (used when the program ends during a walk).
    const std::atomic<bool>* cancelled = nullptr;
};

struct Result {
    std::vector<std::string> folders; // accepted folders below the root, in walk order
    std::size_t unreadable = 0;       // folders that could not be opened
    std::size_t skippedMounts = 0;    // network, FUSE or looping mounts not entered
};

Result crawl(const QString& root, const Options& options);

// Whether a mount of this type (as /proc/self/mountinfo names it) is one the
// walk stays out of.
bool isRemoteOrFuseType(std::string_view type);

} // namespace dircrawl
