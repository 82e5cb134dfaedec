// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The names the reconciler never records, and the name shapes of temporary
// files that downloads and document saves leave behind for a moment.
namespace names {

// Hidden names, the file-browser bookkeeping files, and unfinished downloads
// (crdownload, part, download, in any case).
bool isIgnoredName(const QString& name);
// An unfinished download: "movie.mkv.part", "a.zip.crdownload", "b.download".
bool isPartialDownload(const QString& name);
// A sandboxed save's temporary file: "notes.txt.sb-1a2b3c-XyZ9".
bool matchesSandboxTemp(const QString& name);

// The last component of a path and the path without it.
QString nameOf(const QString& path);
QString parentOf(const QString& path);

} // namespace names
