// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/TrackedFile.h"

#include <QHash>
#include <QString>
#include <QUrl>
#include <functional>
#include <vector>

// What the popover lists, derived from every record (newest detection first).
struct PopoverLists {
    // Temporary records, soonest expiry first; without an expiry last.
    std::vector<TrackedFile> temporaryFiles;
    // Kept records of items still directly inside Downloads, newest first.
    std::vector<TrackedFile> ignoredFiles;
    // Where listed files were downloaded from, when they say.
    QHash<RecordId, QUrl> origins;
    // Temporary files whose time is up but which the Trash refused, with its reason.
    QHash<RecordId, QString> trashRefusals;
    // Files on which the popover's last action failed: what failed and why
    // ("Couldn’t delete: …"), shown on their rows.
    QHash<RecordId, QString> actionFailures;
    int recordCount = 0;
    // The diagnostic line describing every record.
    QString logLine;

    bool isEmpty() const { return temporaryFiles.empty() && ignoredFiles.empty(); }
};

namespace popoverlists {

// Whether a path directly inside Downloads still holds the record's item.
using Holds = std::function<bool(const TrackedFile&)>;
// Where a listed file came from.
using Origin = std::function<std::optional<QUrl>(const TrackedFile&)>;

// Blocking when `holds` or `origin` look at the disk: run it off the main thread.
PopoverLists derive(std::vector<TrackedFile> records, const Holds& holds,
                    const Origin& origin = {});

// A kept record worth listing: dismissed, a name the watcher records, and an
// item that `holds` still finds in its place.
bool isListedAsIgnored(const TrackedFile& record, const Holds& holds);

} // namespace popoverlists
