// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// File moves that never replace anything: within one file system a rename
// that refuses an existing target; across file systems a copy to a hidden
// temporary name, renamed into place, before the source is removed.
namespace filetransfer {

// The device of the item at `path`; `followLinks` false looks at a link itself.
std::optional<std::uint64_t> deviceOf(const QString& path, bool followLinks);

// Whether anything, a dangling symbolic link included, occupies the path.
bool occupied(const QString& path);

// Renames without replacing: returns 0, or the errno (EEXIST when the target
// exists). On file systems without RENAME_NOREPLACE a file is linked to the
// target and then unlinked from the source.
int renameNoReplace(const QString& from, const QString& to);

// Creates the folder and any missing parents; an existing folder is fine.
// Returns the error's description on failure.
std::optional<QString> createDirectories(const QString& path);

// One item of a copied tree, as it was in the source.
struct CopiedItem {
    std::string path; // in the source
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool isDirectory = false;
};

struct Copy {
    QString temporaryPath;         // the copy, under a hidden name beside the target
    std::vector<CopiedItem> items; // source items, parents before their contents
    std::optional<QString> error;  // set when the copy failed (nothing is left behind)
};

// Copies a file, link or folder tree into `destinationFolder` under a hidden
// temporary name: contents flushed to disk, permissions, times and extended
// attributes kept, links copied as links. Fails rather than copy a source
// that could not be removed afterwards or that changes while it is read; a
// failed copy is removed again.
Copy copyToTemporary(const QString& source, const QString& destinationFolder);

// Removes a copy that will not be used.
void discardCopy(const Copy& copy);

// Flushes a folder's entries to disk (after a rename into it).
void syncFolder(const QString& path);

// Removes from the source exactly what was copied: an item that was replaced
// or added meanwhile stays. Returns a description of what could not be removed.
std::optional<QString> removeCopiedSource(const Copy& copy);

} // namespace filetransfer
