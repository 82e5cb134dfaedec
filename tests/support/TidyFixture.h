// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "popover/RecentlyTrashed.h"
#include "tidy/Tidier.h"

#include <memory>

// A Tidier on a test's store that undoes through the real Trash, its last run
// kept in `folder`, on the rule's clock `now`.
inline std::unique_ptr<Tidier> makeTidier(TrackedFileActor& store, const QString& folder,
                                          const QString& xbel, std::function<QDateTime()> now)
{
    return std::make_unique<Tidier>(
        store, Tidier::Options{folder + "/tidy-last-run.json", xbel,
                               [&store](const QStringList& locations) {
                                   return RecentlyTrashed::restoreAllNow(store, locations);
                               },
                               std::move(now)});
}
