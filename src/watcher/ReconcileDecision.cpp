// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/ReconcileDecision.h"

#include "platform/Formatters.h"
#include "watcher/NameRules.h"

namespace {

using Decision = ReconcileDecision;

Decision noted(Decision::Action action, QString note = {})
{
    Decision decision;
    decision.action = action;
    decision.note = std::move(note);
    return decision;
}

// Whether the inode's record names an earlier item: the kernel hands a freed
// inode to the next new item at once.
bool isReused(const ReconcileFacts& facts)
{
    const RecordFacts& record = *facts.byInode;
    const FileEvent& event = facts.event;
    // Born after the record took the inode: certainly another item.
    if (facts.item && facts.item->inode == event.inode && facts.item->birthTime &&
        record.inodeSince.isValid() && *facts.item->birthTime > record.inodeSince)
        return true;
    if (facts.mode != ReconcileMode::live ||
        !event.flags.containsAny(FSEventFlags::created | FSEventFlags::renamed))
        return false;
    // It appears while its old item's removal waits as deleted.
    if (facts.pendingInode == record.inode && facts.pendingDeleted)
        return true;
    // Created elsewhere while the old item is no longer at its path (a
    // created hard link of a tracked item is no news).
    if (!event.flags.contains(FSEventFlags::created) ||
        event.flags.contains(FSEventFlags::renamed) || record.filePath == event.path)
        return false;
    return !facts.recordPathHoldsInode;
}

// The item landed here by a rename within Downloads.
bool renamedInPlace(const ReconcileFacts& facts)
{
    return facts.mode == ReconcileMode::live && facts.event.flags.contains(FSEventFlags::renamed);
}

// A browser renamed its partial download to the final name: a new download,
// whatever was at that name before.
bool finishedDownload(const ReconcileFacts& facts)
{
    return renamedInPlace(facts) && !facts.event.movedFrom.isEmpty() &&
           names::isPartialDownload(names::nameOf(facts.event.movedFrom));
}

// The inode's record was made moments ago for an item nobody answered: a
// save's temporary, when it is renamed over another record's item.
bool isSaveTemporary(const ReconcileFacts& facts)
{
    const RecordFacts& record = *facts.byInode;
    return record.state == FileState::unprocessed && record.inodeSince.isValid() &&
           facts.event.timestamp.isValid() &&
           record.inodeSince.msecsTo(facts.event.timestamp) <
               std::chrono::milliseconds(saveTemporaryWindow).count();
}

Decision newItem(const ReconcileFacts& facts, const QString& name, bool present)
{
    const FileEvent& event = facts.event;
    const bool live = facts.mode == ReconcileMode::live;
    if (names::isIgnoredName(name))
        return noted(Decision::ignore, QStringLiteral("  SKIP: ignored name ") + name);
    if (!facts.item)
        return noted(Decision::ignore, QStringLiteral("  SKIP: lstat failed for ") + event.path);
    // A path that now holds another item says nothing about this one.
    if (!present)
        return noted(Decision::ignore, QStringLiteral("  SKIP: stale event (path now has inode "
                                                      "%1, event was for %2)")
                                           .arg(facts.item->inode)
                                           .arg(event.inode));
    const std::uint32_t news =
        facts.item->isDirectory
            ? FSEventFlags::created | FSEventFlags::renamed
            : FSEventFlags::created | FSEventFlags::renamed | FSEventFlags::modified;
    if (live && !event.flags.containsAny(news))
        return noted(Decision::ignore);
    if (facts.admission.verdict == Admission::skip)
        return noted(Decision::ignore, QStringLiteral("  SKIP: ") + facts.admission.reason);
    if (facts.admission.verdict == Admission::deferFolder)
        return noted(Decision::deferFolder);

    Decision decision;
    decision.size = facts.admission.size;
    decision.isFolder = facts.item->isDirectory;
    // Only a live event means the item is taking the place of the one at its
    // path right now; after lost events or at start-up nobody can tell. A
    // save renamed over a kept item keeps it kept; a file created where a kept
    // one was is news.
    std::optional<RecordFacts> holder = facts.atPath;
    if (holder && holder->state == FileState::dismissed && !renamedInPlace(facts))
        holder.reset();
    // A reused inode at its old item's own path, unless another item has just
    // gone from that path: then the old record only followed its inode there.
    if (!holder && facts.byInode && facts.byInode->filePath == event.path &&
        facts.byInode->state != FileState::dismissed &&
        facts.pendingInode.value_or(facts.byInode->inode) == facts.byInode->inode)
        holder = facts.byInode;
    if (finishedDownload(facts)) {
        // The item it replaced was another download, or a browser's placeholder.
        if (facts.atPath)
            decision.dropAtPath = facts.atPath->inode;
        holder.reset();
    }
    if (live && holder) {
        decision.action = Decision::replace;
        decision.oldInode = holder->inode;
        decision.note = QStringLiteral("  REPLACED: %1 inode %2 → %3")
                            .arg(name)
                            .arg(holder->inode)
                            .arg(event.inode);
        return decision;
    }
    decision.action = Decision::insert;
    // While a browser downloads, an empty file at the final name is its
    // placeholder: the finished download arrives over it or fills it. An
    // empty file just made may be a browser's probe of a free name, gone a
    // moment later: it waits too.
    const bool empty = facts.mode != ReconcileMode::existing && facts.item->isRegular &&
                       facts.item->size == 0 && !finishedDownload(facts);
    decision.hold = empty && (facts.partialBeside || (live && !renamedInPlace(facts) &&
                                                      event.flags.contains(FSEventFlags::created)));
    decision.announce = facts.mode != ReconcileMode::existing && !decision.hold;
    decision.state =
        facts.mode == ReconcileMode::existing ? FileState::dismissed : FileState::unprocessed;
    if (live)
        decision.note =
            QStringLiteral("  INSERTED: ") + name + QStringLiteral(" (") +
            (decision.isFolder ? QStringLiteral("folder") : formatByteCount(decision.size)) +
            QStringLiteral(")");
    else if (facts.mode == ReconcileMode::rescan)
        decision.note = QStringLiteral("Tracked (rescan): ") + name;
    return decision;
}

Decision trackedItem(const ReconcileFacts& facts, const QString& name, bool present)
{
    const FileEvent& event = facts.event;
    const bool live = facts.mode == ReconcileMode::live;
    if (live && facts.held && present && !event.flags.contains(FSEventFlags::renamed) &&
        facts.item->size > 0) {
        Decision decision = noted(Decision::release, QStringLiteral("  FILLED: ") + name);
        decision.size = facts.item->size;
        return decision;
    }
    if (live && !event.flags.contains(FSEventFlags::renamed)) {
        Decision decision =
            noted(Decision::ignore,
                  QStringLiteral("  SKIP: already tracked (inode %1)").arg(event.inode));
        // Written since it was recorded: a file made anew at a recorded path
        // is taken over as soon as it exists, before its content arrives.
        decision.refreshSize =
            present && facts.item->isRegular && event.flags.contains(FSEventFlags::modified);
        decision.size = decision.refreshSize ? facts.item->size : 0;
        return decision;
    }
    // A save renamed its temporary over a recorded item: that record takes the
    // new inode and keeps its state; the temporary's own record goes.
    if (present && renamedInPlace(facts) && facts.atPath && isSaveTemporary(facts) &&
        !finishedDownload(facts)) {
        Decision decision = noted(Decision::replace, QStringLiteral("  REPLACED (save): %1 inode "
                                                                    "%2 → %3")
                                                         .arg(name)
                                                         .arg(facts.atPath->inode)
                                                         .arg(event.inode));
        decision.oldInode = facts.atPath->inode;
        decision.dropReused = true;
        decision.size = facts.admission.size;
        return decision;
    }
    std::optional<QString> newPath;
    if (present)
        newPath = event.path;
    else if (!facts.location)
        return noted(Decision::locate);
    else
        newPath = *facts.location;
    if (!newPath)
        return noted(Decision::deferRemoval,
                     QStringLiteral("  TRACKED+RENAMED, no longer in Downloads — deferring: ") +
                         name);
    const QString newName = names::nameOf(*newPath);
    Decision decision;
    if (names::matchesSandboxTemp(newName)) {
        decision =
            noted(Decision::keepPath, QStringLiteral("  TRACKED+RENAMED to sandbox temp ") +
                                          newName + QStringLiteral(" — keeping original path"));
    } else if (names::isIgnoredName(newName)) {
        decision = noted(Decision::removeRecord,
                         QStringLiteral("  TRACKED+RENAMED to ignored name, removing: ") + newName);
    } else if (*newPath != facts.byInode->filePath || facts.mode == ReconcileMode::existing) {
        decision.action = Decision::updatePath;
        decision.newPath = *newPath;
        // A toast never answered before the restart: the file stays, kept.
        decision.settle = facts.mode == ReconcileMode::existing;
        // It may have grown meanwhile.
        decision.refreshSize =
            facts.mode == ReconcileMode::existing && present && facts.item->isRegular;
        decision.size = decision.refreshSize ? facts.item->size : 0;
        if (*newPath != facts.byInode->filePath)
            decision.note = (live ? QStringLiteral("  TRACKED+RENAMED, updating path: ")
                                  : QStringLiteral("  RESCAN: updating path: ")) +
                            newName;
    }
    return decision;
}

} // namespace

ReconcileDecision decideReconcile(const ReconcileFacts& facts)
{
    const FileEvent& event = facts.event;
    const QString name = names::nameOf(event.path);
    const bool present = facts.item && facts.item->inode == event.inode;
    if (event.flags.contains(FSEventFlags::removed) ||
        (facts.mode != ReconcileMode::live && !present)) {
        if (!facts.byInode)
            return noted(
                Decision::ignore,
                QStringLiteral("  REMOVED: untracked inode %1, ignoring").arg(event.inode));
        if (facts.mode == ReconcileMode::existing)
            return noted(Decision::removeRecord,
                         QStringLiteral("  REMOVED: gone while unwatched: ") +
                             names::nameOf(facts.byInode->filePath));
        return noted(Decision::deferRemoval);
    }
    if (facts.byInode && !isReused(facts)) {
        Decision decision = trackedItem(facts, name, present);
        decision.inDownloads = decision.action != Decision::locate &&
                               decision.action != Decision::deferRemoval && !decision.dropReused;
        return decision;
    }
    Decision decision = newItem(facts, name, present);
    // The old record goes, unless the new item simply takes its place.
    decision.dropReused = facts.byInode.has_value() && !(decision.action == Decision::replace &&
                                                         decision.oldInode == facts.byInode->inode);
    return decision;
}
