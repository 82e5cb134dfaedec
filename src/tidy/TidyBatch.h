// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RestoreOutcome.h"
#include "tidy/TidyPreview.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TrackedFileActor;

// What became of one item of a tidy run or of its undo.
struct TidyOutcome {
    QString path;   // where the item was
    QString target; // where it is now; empty when it stayed (or its place in the Trash is unknown)
    QString error;  // why it stayed; empty when it moved

    bool moved() const { return error.isEmpty(); }
};

struct TidyReport {
    std::vector<TidyOutcome> outcomes;
    QString error; // why nothing was tried

    int movedCount() const;
};

// One tidy run as one batch: every item passes the Trash's guard right
// before it leaves (directly inside Downloads, its own inode), archive moves
// never replace anything, and what left is written to the run file so that
// one undo brings the whole batch back. Blocking; one batch at a time.
namespace tidybatch {

// Takes items out of the Trash they were sent to, one outcome for each in
// order; blocking, any thread.
using Restorer = std::function<std::vector<RestoreOutcome>(const QStringList& locations)>;

TidyReport apply(const TidyPreview& preview, TrackedFileActor& store, const QString& runPath);

// Puts back what the last run moved: from the Trash through `restore`, from
// an archive by moving it back under a free name, recorded as kept first.
// What could not come back stays in the run file for another try.
TidyReport undo(TrackedFileActor& store, const QString& runPath, const Restorer& restore);

} // namespace tidybatch
