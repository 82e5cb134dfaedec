// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"
#include "store/TrackedFileActor.h"
#include "watcher/ReconcileDecision.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

// One reconcile step: the facts, the decision taken on them and, for an
// insert, the new record.
struct ReconcileStep {
    ReconcileFacts facts;
    ReconcileDecision decision;
    RecordId newId;
};

// The removals waiting out their delay, by the path of their record.
struct PendingFacts {
    std::uint64_t inode = 0;
    bool deleted = false;
};
using PendingByPath = QHash<QString, PendingFacts>;

// The store's half of reconciling, run on the store's thread: completes each
// step's facts with what the store holds, decides, applies the decision's
// store changes and saves once for all steps.
void reconcileOnStore(TrackedFileActor::Context& context, std::vector<ReconcileStep>& steps,
                      const PendingByPath& pending);
// The same for a listing of the whole folder: every record whose inode is not
// `present` gets a removal step of its own.
void reconcileListing(TrackedFileActor::Context& context, std::vector<ReconcileStep>& steps,
                      const PendingByPath& pending, const QSet<std::uint64_t>& present,
                      ReconcileMode mode);
