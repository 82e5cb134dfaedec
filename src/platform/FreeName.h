// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A name under which an item can land in a folder without replacing
// anything: its own name, else "stem (2).ext", "stem (3).ext", … A name too
// long for the folder's file system is shortened in its stem (by bytes, on a
// UTF-8 character boundary), keeping the extension. Only a name that the
// file system reports as absent counts as free: any other answer (no access,
// not a folder) ends the search with its reason, as does running past
// `maximumNumber`. Blocking (lstat); the one search for moves, copies and
// restores.
namespace freename {

inline constexpr int maximumNumber = 1000;

struct Result {
    QString path;  // the free name's full path; empty when there is none
    QString error; // why there is none

    bool found() const { return !path.isEmpty(); }
};

Result in(const QString& folder, const QString& name);

// `name` cut to at most `maxBytes` bytes of UTF-8 by shortening its stem,
// with `suffix` (" (2)") put before its extension. Empty when even the
// extension and suffix do not fit.
QString fitted(const QString& name, const QString& suffix, int maxBytes);

} // namespace freename
