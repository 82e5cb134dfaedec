// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/StoreReconcile.h"

#include "platform/FileSystem.h"
#include "watcher/NameRules.h"

namespace {

std::optional<RecordFacts> factsOf(const TrackedFile* record)
{
    if (!record)
        return std::nullopt;
    return RecordFacts{record->inode, record->filePath, record->state, record->inodeSince};
}

void completeFacts(TrackedFileActor::Context& context, ReconcileFacts& facts,
                   const PendingByPath& pending)
{
    const FileEvent& event = facts.event;
    facts.byInode = factsOf(context.fetchByInode(event.inode));
    if (const auto other = context.model().inodeAt(event.path, event.inode))
        facts.atPath = factsOf(context.fetchByInode(*other));
    if (!facts.byInode)
        return;
    const auto waiting = pending.constFind(facts.byInode->filePath);
    if (waiting != pending.cend()) {
        facts.pendingInode = waiting->inode;
        facts.pendingDeleted = waiting->deleted;
    }
    if (facts.byInode->filePath != event.path)
        facts.recordPathHoldsInode = fs::holdsItem(facts.byInode->filePath, event.inode);
}

void apply(TrackedFileActor::Context& context, ReconcileStep& step)
{
    const ReconcileDecision& decision = step.decision;
    const FileEvent& event = step.facts.event;
    // Not untagged: the path may hold the newcomer, whose tags are its own.
    for (const std::uint64_t inode : {decision.dropReused ? event.inode : 0, decision.dropAtPath}) {
        if (const TrackedFile* old = inode ? context.fetchByInode(inode) : nullptr)
            context.model().remove(old->id);
    }
    const QString name = names::nameOf(event.path);
    switch (decision.action) {
    case ReconcileDecision::insert:
        step.newId =
            context.insertRecord(event.inode, event.path, name, decision.size, decision.state);
        break;
    case ReconcileDecision::replace:
        context.replaceInode(decision.oldInode, event.inode, event.path, name, decision.size);
        break;
    case ReconcileDecision::updatePath:
        context.updatePath(event.inode, decision.newPath, names::nameOf(decision.newPath));
        if (const TrackedFile* record = context.fetchByInode(event.inode);
            record && decision.settle && record->state == FileState::unprocessed)
            context.model().update(record->id,
                                   [](TrackedFile& r) { r.state = FileState::dismissed; });
        break;
    case ReconcileDecision::release:
        if (const TrackedFile* record = context.fetchByInode(event.inode)) {
            step.newId = record->id;
            context.model().update(record->id, [&](TrackedFile& r) { r.fileSize = decision.size; });
        }
        break;
    case ReconcileDecision::removeRecord:
        context.removeByInode(event.inode);
        break;
    default:
        break;
    }
    if (const TrackedFile* record =
            decision.refreshSize ? context.fetchByInode(event.inode) : nullptr;
        record && record->fileSize != decision.size)
        context.model().update(record->id, [&](TrackedFile& r) { r.fileSize = decision.size; });
}

} // namespace

void reconcileListing(TrackedFileActor::Context& context, std::vector<ReconcileStep>& steps,
                      const PendingByPath& pending, const QSet<std::uint64_t>& present,
                      ReconcileMode mode)
{
    for (const auto& [key, record] : context.model().records()) {
        if (present.contains(record.inode))
            continue;
        ReconcileStep step;
        step.facts.mode = mode;
        step.facts.event = {
            record.filePath, record.inode, {FSEventFlags::removed | FSEventFlags::isFile}, {}};
        steps.push_back(std::move(step));
    }
    reconcileOnStore(context, steps, pending);
}

void reconcileOnStore(TrackedFileActor::Context& context, std::vector<ReconcileStep>& steps,
                      const PendingByPath& pending)
{
    for (ReconcileStep& step : steps) {
        completeFacts(context, step.facts, pending);
        step.decision = decideReconcile(step.facts);
        apply(context, step);
    }
    context.save(); // a failed save stays pending until the next one
}
