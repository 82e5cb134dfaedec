// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/FileProcessor.h"

#include "platform/FileSystem.h"
#include "platform/Formatters.h"
#include "platform/Log.h"
#include "store/TrackedFileActor.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/NameRules.h"

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// Waits for a store call from the reconciler's thread. A call that never ran
// (the store has stopped) counts as finding nothing.
template <typename T> std::optional<T> settle(QFuture<T> future)
{
    future.waitForFinished();
    if (future.isValid() && future.resultCount() > 0)
        return future.result();
    return std::nullopt;
}

void settle(QFuture<void> future)
{
    future.waitForFinished();
}

} // namespace

FileProcessor::FileProcessor(FSEventsMonitor& monitor, TrackedFileActor& store,
                             QString downloadsPath, NewFileCallback onNewFile,
                             std::chrono::milliseconds removalDelay)
    : m_monitor(monitor), m_store(store), m_downloadsPath(withoutTrailingSlash(downloadsPath)),
      m_onNewFile(std::move(onNewFile)), m_removalDelay(removalDelay)
{
    m_thread = std::make_unique<ServiceThread>(this, "FileProcessor");
}

FileProcessor::~FileProcessor()
{
    stop();
}

QFuture<void> FileProcessor::start(std::shared_ptr<FileEventStream> events)
{
    return runSerial<void>(this, [this, events] {
        if (!m_timer)
            m_timer = new ContinuousTimer(this);
        m_events = events;
        m_events->attach(this, [this] { consumeNext(); });
    });
}

void FileProcessor::stop()
{
    if (!m_thread)
        return;
    runSerial<void>(this, [this] {
        if (m_events)
            m_events->attach(nullptr, {});
        m_events.reset();
        if (m_timer)
            m_timer->cancelAll();
        m_pendingRemovals.clear();
    }).waitForFinished();
    m_thread->stop();
    m_thread.reset();
}

QFuture<int> FileProcessor::pendingRemovalCount()
{
    return runSerial<int>(this, [this] { return int(m_pendingRemovals.size()); });
}

void FileProcessor::consumeNext()
{
    if (!m_events)
        return;
    std::optional<FileEvent> event = m_events->next();
    if (!event)
        return; // told again when more arrive; a finished sequence ends here
    handle(*event);
    // One event per turn, so that due removals run between events.
    QMetaObject::invokeMethod(this, &FileProcessor::consumeNext, Qt::QueuedConnection);
}

std::optional<TrackedFile> FileProcessor::fetchByInode(std::uint64_t inode)
{
    auto found = settle(m_store.perform<std::optional<TrackedFile>>(
        [inode](TrackedFileActor::Context& context) -> std::optional<TrackedFile> {
            if (const TrackedFile* record = context.fetchByInode(inode))
                return *record;
            return std::nullopt;
        }));
    return found ? *found : std::nullopt;
}

FileProcessor::Lookup FileProcessor::lookUp(std::uint64_t inode, const QString& path)
{
    auto found = settle(m_store.perform<Lookup>([inode, path](TrackedFileActor::Context& context) {
        Lookup lookup;
        if (const TrackedFile* record = context.fetchByInode(inode)) {
            lookup.record = *record;
            return lookup;
        }
        // The inode of the record at the path that is not dismissed.
        lookup.activeInode = context.model().activeInodeAt(path);
        return lookup;
    }));
    return found ? *found : Lookup{};
}

void FileProcessor::announce(RecordId id)
{
    if (m_onNewFile)
        m_onNewFile(id);
}

void FileProcessor::handle(const FileEvent& event)
{
    const QString name = names::nameOf(event.path);
    VANTLE_DIAG(lcWatcher, QStringLiteral("EVENT: ") + name + QStringLiteral(" inode=") +
                               QString::number(event.inode) + QStringLiteral(" flags=[") +
                               event.flags.description() + QStringLiteral("] path=") + event.path);
    // The monitor lost events for the whole folder: list it again. (Without
    // this, what arrived meanwhile would never be recorded.)
    if (event.flags.contains(FSEventFlags::mustScan) && event.path == m_downloadsPath) {
        rescan();
        return;
    }
    if (!event.flags.containsAny(FSEventFlags::isFile | FSEventFlags::isDir))
        return;
    const QString parent = names::parentOf(event.path);
    if (parent != m_downloadsPath) {
        if (names::parentOf(parent) == m_downloadsPath)
            checkRetroactiveFolder(parent);
        return;
    }
    if (event.flags.contains(FSEventFlags::mustScan)) {
        rescan();
        return;
    }
    if (event.inode == 0)
        return;
    if (event.flags.contains(FSEventFlags::removed)) {
        m_locallyCreatedDirs.erase(event.inode);
        handleRemoved(event.inode, true);
        return;
    }
    // One visit to the store answers both questions of a new item: whether
    // its inode has a record and which active record holds its path.
    const Lookup lookup = lookUp(event.inode, event.path);
    if (!lookup.record)
        handleNewItem(event, name, lookup.activeInode);
    else if (!isReusedInode(event, *lookup.record))
        handleTrackedItem(event, name);
    else if (!takeOverReusedInode(event, *lookup.record, name))
        handleNewItem(event, name, lookUp(event.inode, event.path).activeInode);
}

// The kernel hands a freed inode to the next new item at once, so an inode
// with a record can name a new item: one that appears while its old item's
// removal is pending as deleted, or that is created while the old item is no
// longer at its path (a created hard link of a tracked item is no news).
bool FileProcessor::isReusedInode(const FileEvent& event, const TrackedFile& record)
{
    if (!event.flags.containsAny(FSEventFlags::created | FSEventFlags::renamed))
        return false;
    const auto pending = m_pendingRemovals.constFind(record.filePath);
    if (pending != m_pendingRemovals.cend() && pending->inode == record.inode && pending->deleted)
        return true;
    if (!event.flags.contains(FSEventFlags::created) ||
        event.flags.contains(FSEventFlags::renamed) || record.filePath == event.path)
        return false;
    const std::optional<ItemStat> old = fs::lstat(record.filePath);
    return !old || old->inode != record.inode;
}

// A new item on a reused inode. At the old item's own path and with a record
// that is not dismissed, it replaces the old item in place as any new inode
// would: the record stays. Otherwise the old record goes now, and the caller
// treats the item as new. Returns whether the item was taken care of.
bool FileProcessor::takeOverReusedInode(const FileEvent& event, const TrackedFile& record,
                                        const QString& name)
{
    const std::optional<ItemStat> st = fs::lstat(event.path);
    if (record.filePath == event.path && record.state != FileState::dismissed && st &&
        st->inode == event.inode && !names::isIgnoredName(name) &&
        !names::matchesSandboxTemp(name)) {
        callOffRemoval(event.path);
        settle(m_store.replaceInode(record.inode, event.inode, event.path, name,
                                    st->isDirectory ? 0 : st->size));
        VANTLE_DIAG(lcWatcher, QStringLiteral("  REPLACED: %1 inode %2 → %3")
                                   .arg(name)
                                   .arg(record.inode)
                                   .arg(event.inode));
        return true;
    }
    VANTLE_DIAG(lcWatcher, QStringLiteral("  REUSED: inode %1 now names a new item; dropped the "
                                          "record of %2")
                               .arg(event.inode)
                               .arg(record.fileName));
    callOffRemoval(record.filePath);
    settle(m_store.removeByInode(record.inode));
    return false;
}

void FileProcessor::handleNewItem(const FileEvent& event, const QString& name,
                                  std::optional<std::uint64_t> active)
{
    if (names::isIgnoredName(name)) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  SKIP: ignored name ") + name);
        return;
    }
    const std::optional<ItemStat> st = fs::lstat(event.path);
    if (!st) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  SKIP: lstat failed for ") + event.path);
        return;
    }
    // A path that now holds another item says nothing about this one; this
    // holds for folders too, or a record could name an inode not at its path.
    if (st->inode != event.inode) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  SKIP: stale event (path now has inode %1, "
                                              "event was for %2)")
                                   .arg(st->inode)
                                   .arg(event.inode));
        return;
    }
    std::int64_t size = 0;
    if (st->isDirectory) {
        if (!event.flags.containsAny(FSEventFlags::created | FSEventFlags::renamed))
            return;
        if (isEffectivelyEmptyDirectory(event.path)) {
            m_locallyCreatedDirs.insert(event.inode);
            return;
        }
        m_locallyCreatedDirs.erase(event.inode);
    } else {
        if (!event.flags.containsAny(FSEventFlags::created | FSEventFlags::renamed |
                                     FSEventFlags::modified))
            return;
        if (names::matchesSandboxTemp(name)) {
            VANTLE_DIAG(lcWatcher, QStringLiteral("  SKIP: sandbox-save temp file ") + name);
            return;
        }
        size = st->size;
    }

    if (active && *active != event.inode) {
        const std::uint64_t oldInode = *active;
        callOffRemoval(event.path);
        settle(m_store.replaceInode(oldInode, event.inode, event.path, name, size));
        VANTLE_DIAG(lcWatcher, QStringLiteral("  REPLACED: %1 inode %2 → %3")
                                   .arg(name)
                                   .arg(oldInode)
                                   .arg(event.inode));
        return;
    }
    const auto id = settle(m_store.insertRecord(event.inode, event.path, name, size));
    VANTLE_DIAG(lcWatcher,
                QStringLiteral("  INSERTED: ") + name + QStringLiteral(" (") +
                    (st->isDirectory ? QStringLiteral("folder") : formatByteCount(size)) +
                    QStringLiteral(")"));
    if (id)
        announce(*id);
}

void FileProcessor::handleTrackedItem(const FileEvent& event, const QString& name)
{
    if (!event.flags.contains(FSEventFlags::renamed)) {
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("  SKIP: already tracked (inode %1)").arg(event.inode));
        return;
    }
    QString newPath;
    const std::optional<ItemStat> st = fs::lstat(event.path);
    if (st && st->inode == event.inode) {
        newPath = event.path;
    } else if (auto found = findPathInDownloads(event.inode)) {
        newPath = *found;
    } else {
        // Gone from the top level (the pending removal, if any, restarts).
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("  TRACKED+RENAMED, no longer in Downloads — deferring: ") +
                        name);
        handleRemoved(event.inode);
        return;
    }
    // The item is in Downloads: a removal deferred when it seemed gone (moved
    // out and back within the delay) would drop a live record.
    callOffRemovalsOf(event.inode);
    const QString newName = names::nameOf(newPath);
    if (names::matchesSandboxTemp(newName)) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  TRACKED+RENAMED to sandbox temp ") + newName +
                                   QStringLiteral(" — keeping original path"));
        return;
    }
    if (names::isIgnoredName(newName)) {
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("  TRACKED+RENAMED to ignored name, removing: ") + newName);
        settle(m_store.removeByInode(event.inode));
        return;
    }
    VANTLE_DIAG(lcWatcher, QStringLiteral("  TRACKED+RENAMED, updating path: ") + newName);
    settle(m_store.updatePath(event.inode, newPath, newName));
}

std::optional<QString> FileProcessor::findPathInDownloads(std::uint64_t inode) const
{
    const fs::Listing listing = fs::listDirectory(m_downloadsPath);
    if (!listing.ok())
        return std::nullopt;
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        if (!name)
            continue;
        const QString candidate = m_downloadsPath + QLatin1Char('/') + *name;
        const std::optional<ItemStat> st = fs::lstat(candidate);
        if (st && st->inode == inode)
            return candidate;
    }
    return std::nullopt;
}

void FileProcessor::handleRemoved(std::uint64_t inode, bool deleted)
{
    const std::optional<TrackedFile> record = fetchByInode(inode);
    if (!record) {
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("  REMOVED: untracked inode %1, ignoring").arg(inode));
        return;
    }
    const QString path = record->filePath;
    if (auto it = m_pendingRemovals.find(path); it != m_pendingRemovals.end()) {
        const PendingRemoval earlier = *it;
        m_timer->cancel(earlier.task);
        m_pendingRemovals.erase(it);
        // Another record waited for this path: it goes now rather than later.
        if (earlier.inode != inode)
            settle(m_store.removeByInode(earlier.inode));
    }
    VANTLE_DIAG(
        lcWatcher,
        QStringLiteral("  REMOVED: deferring cleanup for inode %1 at %2").arg(inode).arg(path));
    const ContinuousTimer::TimerId task =
        m_timer->scheduleAfter(m_removalDelay, [this, inode, path] { commitRemoval(inode, path); });
    m_pendingRemovals.insert(path, PendingRemoval{inode, task, deleted});
}

void FileProcessor::commitRemoval(std::uint64_t inode, const QString& path)
{
    auto it = m_pendingRemovals.find(path);
    if (it == m_pendingRemovals.end() || it->inode != inode)
        return;
    m_pendingRemovals.erase(it);
    VANTLE_DIAG(lcWatcher, QStringLiteral("  Committing deferred removal for inode %1").arg(inode));
    settle(m_store.removeByInode(inode));
}

void FileProcessor::callOffRemoval(const QString& path)
{
    auto it = m_pendingRemovals.find(path);
    if (it == m_pendingRemovals.end())
        return;
    m_timer->cancel(it->task);
    m_pendingRemovals.erase(it);
}

void FileProcessor::callOffRemovalsOf(std::uint64_t inode)
{
    for (auto it = m_pendingRemovals.begin(); it != m_pendingRemovals.end();) {
        if (it->inode == inode) {
            m_timer->cancel(it->task);
            it = m_pendingRemovals.erase(it);
        } else {
            ++it;
        }
    }
}

bool FileProcessor::isEffectivelyEmptyDirectory(const QString& path) const
{
    const fs::Listing listing = fs::listDirectory(path);
    if (!listing.ok())
        return true;
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        // A name without a faithful text form is still content.
        if (!name || !names::isIgnoredName(*name))
            return false;
    }
    return true;
}

void FileProcessor::checkRetroactiveFolder(const QString& path)
{
    const std::optional<ItemStat> st = fs::lstat(path);
    if (!st || !st->isDirectory)
        return;
    if (m_locallyCreatedDirs.erase(st->inode) == 0)
        return;
    if (fetchByInode(st->inode))
        return;
    const QString name = names::nameOf(path);
    if (names::isIgnoredName(name))
        return;
    const auto id = settle(m_store.insertRecord(st->inode, path, name, 0));
    VANTLE_DIAG(lcWatcher, QStringLiteral("  INSERTED (retroactive): ") + name +
                               QStringLiteral(" (folder, had children arrive)"));
    if (id)
        announce(*id);
}

void FileProcessor::rescan()
{
    const fs::Listing listing = fs::listDirectory(m_downloadsPath);
    if (!listing.ok())
        return;
    QHash<std::uint64_t, QString> present;
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        if (!name)
            continue;
        const QString full = m_downloadsPath + QLatin1Char('/') + *name;
        const std::optional<ItemStat> st = fs::lstat(full);
        if (!st)
            continue;
        present.insert(st->inode, full);
        if (names::isIgnoredName(*name) || st->isSymlink)
            continue;
        if (fetchByInode(st->inode))
            continue;
        const auto id =
            settle(m_store.insertRecord(st->inode, full, *name, st->isDirectory ? 0 : st->size));
        VANTLE_DIAG(lcWatcher, QStringLiteral("Tracked (rescan): ") + *name);
        if (id)
            announce(*id);
    }
    reconcileTrackedAfterRescan(present);
}

// Events were lost, so renames and removals of tracked items may have gone
// unseen: put each record of a top-level item where its inode is now, and
// defer the removal of those whose item is no longer in Downloads.
void FileProcessor::reconcileTrackedAfterRescan(const QHash<std::uint64_t, QString>& present)
{
    const auto records = settle(m_store.allRecords());
    if (!records)
        return;
    for (const RecordSummary& record : *records) {
        if (names::parentOf(record.filePath) != m_downloadsPath)
            continue;
        const auto found = present.constFind(record.inode);
        if (found == present.cend()) {
            handleRemoved(record.inode);
            continue;
        }
        if (*found == record.filePath)
            continue;
        const QString newName = names::nameOf(*found);
        if (names::matchesSandboxTemp(newName))
            continue;
        if (names::isIgnoredName(newName)) {
            VANTLE_DIAG(lcWatcher,
                        QStringLiteral("  RESCAN: renamed to ignored name, removing: ") + newName);
            settle(m_store.removeByInode(record.inode));
            continue;
        }
        VANTLE_DIAG(lcWatcher, QStringLiteral("  RESCAN: updating path: ") + newName);
        settle(m_store.updatePath(record.inode, *found, newName));
    }
}
