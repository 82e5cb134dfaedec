// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/FileProcessor.h"

#include "platform/FileSystem.h"
#include "platform/Formatters.h"
#include "platform/Log.h"
#include "store/TrackedFileActor.h"
#include "watcher/Admission.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/NameRules.h"

#include <QSet>
#include <algorithm>

namespace {

QString withoutTrailingSlashes(QString path)
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
                             std::chrono::milliseconds removalDelay,
                             std::chrono::milliseconds emptyFileWait)
    : m_monitor(monitor), m_store(store), m_downloadsPath(withoutTrailingSlashes(downloadsPath)),
      m_onNewFile(std::move(onNewFile)), m_removalDelay(removalDelay),
      m_emptyFileWait(emptyFileWait)
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
        rescan(ReconcileMode::existing);
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

void FileProcessor::announce(RecordId id)
{
    if (m_onNewFile)
        m_onNewFile(id);
}

PendingByPath FileProcessor::pendingFacts() const
{
    PendingByPath facts;
    for (auto it = m_pendingRemovals.cbegin(); it != m_pendingRemovals.cend(); ++it)
        facts.insert(it.key(), {it->inode, it->deleted});
    return facts;
}

void FileProcessor::handle(const FileEvent& event)
{
    const QString name = names::nameOf(event.path);
    VANTLE_DIAG(lcWatcher, QStringLiteral("EVENT: ") + name + QStringLiteral(" inode=") +
                               QString::number(event.inode) + QStringLiteral(" flags=[") +
                               event.flags.description() + QStringLiteral("] path=") + event.path);
    // The monitor lost events for the whole folder, or watches it anew after
    // it was away: list it again.
    if (event.flags.contains(FSEventFlags::mustScan) && event.path == m_downloadsPath) {
        rescan(event.flags.contains(FSEventFlags::rootChanged) ? ReconcileMode::existing
                                                               : ReconcileMode::rescan);
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
        rescan(ReconcileMode::rescan);
        return;
    }
    if (event.inode == 0)
        return;
    if (names::isPartialDownload(name) &&
        event.flags.containsAny(FSEventFlags::created | FSEventFlags::renamed))
        m_partials.insert(event.path);
    ReconcileFacts facts;
    facts.event = event;
    if (event.flags.contains(FSEventFlags::removed)) {
        m_locallyCreatedDirs.erase(event.inode);
    } else {
        facts.item = fs::lstat(event.path);
        if (facts.item && facts.item->inode == event.inode) {
            facts.admission = admissionOf(event.path, *facts.item);
            facts.partialBeside =
                facts.item->isRegular && facts.item->size == 0 && hasPartialDownload();
        }
    }
    facts.held = m_held.count(event.inode) > 0;
    carryOut(reconcile(std::move(facts)));
}

ReconcileStep FileProcessor::reconcile(ReconcileFacts facts)
{
    auto run = [this](ReconcileFacts given) {
        return settle(m_store.perform<ReconcileStep>(
                          [given = std::move(given),
                           pending = pendingFacts()](TrackedFileActor::Context& context) {
                              std::vector<ReconcileStep> steps{ReconcileStep{given, {}, {}}};
                              reconcileOnStore(context, steps, pending);
                              return steps.front();
                          }))
            .value_or(ReconcileStep{});
    };
    ReconcileStep step = run(facts);
    if (step.decision.action == ReconcileDecision::locate) {
        facts.location = findPathInDownloads(facts.event.inode);
        step = run(std::move(facts));
    }
    return step;
}

void FileProcessor::carryOut(const ReconcileStep& step)
{
    const ReconcileDecision& decision = step.decision;
    const FileEvent& event = step.facts.event;
    if (decision.dropReused && step.facts.byInode) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  DROPPED: the record of %2 (inode %1)")
                                   .arg(event.inode)
                                   .arg(names::nameOf(step.facts.byInode->filePath)));
        callOffRemovalsOf(event.inode);
        m_held.erase(event.inode);
    }
    if (decision.dropAtPath) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  FINISHED: a download replaced inode %1; its "
                                              "record goes")
                                   .arg(decision.dropAtPath));
        callOffRemovalsOf(decision.dropAtPath);
        m_held.erase(decision.dropAtPath);
    }
    if (!decision.note.isEmpty())
        VANTLE_DIAG(lcWatcher, decision.note);
    if (decision.inDownloads)
        callOffRemovalsOf(event.inode);
    switch (decision.action) {
    case ReconcileDecision::deferFolder:
        m_locallyCreatedDirs[event.inode] = step.facts.mode != ReconcileMode::existing;
        break;
    case ReconcileDecision::insert:
        m_locallyCreatedDirs.erase(event.inode);
        if (decision.hold) {
            m_held.insert(event.inode);
            // A placeholder waits for its download; any other empty file
            // only for a browser's probe to go.
            if (!step.facts.partialBeside)
                m_timer->scheduleAfter(m_emptyFileWait,
                                       [this, inode = event.inode] { releaseIfSettled(inode); });
        } else
            m_held.erase(event.inode);
        if (decision.announce && step.newId.isValid())
            announce(step.newId);
        break;
    case ReconcileDecision::release:
        m_held.erase(event.inode);
        if (step.newId.isValid())
            announce(step.newId);
        break;
    case ReconcileDecision::replace:
        callOffRemovalsOf(decision.oldInode);
        m_held.erase(decision.oldInode);
        break;
    case ReconcileDecision::removeRecord:
        m_held.erase(event.inode);
        break;
    case ReconcileDecision::deferRemoval:
        handleRemoved(event.inode, step.facts.mode == ReconcileMode::live &&
                                       event.flags.contains(FSEventFlags::removed));
        break;
    default:
        break;
    }
}

bool FileProcessor::hasPartialDownload()
{
    // The partial downloads the events told of, less those gone since: no
    // listing of a folder that may hold thousands of items per empty file.
    for (auto it = m_partials.begin(); it != m_partials.end();) {
        if (fs::lstat(*it))
            return true;
        it = m_partials.erase(it);
    }
    return false;
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
    m_held.erase(inode);
    VANTLE_DIAG(lcWatcher, QStringLiteral("  Committing deferred removal for inode %1").arg(inode));
    settle(m_store.removeByInode(inode));
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

void FileProcessor::releaseIfSettled(std::uint64_t inode)
{
    if (m_held.count(inode) == 0)
        return;
    // Wherever it is now: it may have been renamed meanwhile. One that went
    // is dropped with its record.
    const std::optional<TrackedFile> record = fetchByInode(inode);
    if (!record || !fs::holdsItem(record->filePath, inode))
        return;
    m_held.erase(inode);
    if (record->state == FileState::unprocessed) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("  SETTLED: ") + record->fileName);
        announce(record->id);
    }
}

void FileProcessor::checkRetroactiveFolder(const QString& path)
{
    const std::optional<ItemStat> st = fs::lstat(path);
    if (!st || !st->isDirectory)
        return;
    const auto remembered = m_locallyCreatedDirs.find(st->inode);
    if (remembered == m_locallyCreatedDirs.end())
        return;
    const bool isNews = remembered->second;
    m_locallyCreatedDirs.erase(remembered);
    const QString name = names::nameOf(path);
    if (names::isIgnoredName(name))
        return;
    const std::optional<RecordId> id =
        settle(m_store.perform<RecordId>([=](TrackedFileActor::Context& context) {
            if (context.fetchByInode(st->inode))
                return RecordId{};
            const RecordId fresh = context.insertRecord(
                st->inode, path, name, 0, isNews ? FileState::unprocessed : FileState::dismissed);
            context.save();
            return fresh;
        }));
    if (!id || !id->isValid())
        return;
    VANTLE_DIAG(lcWatcher, QStringLiteral("  INSERTED (retroactive): ") + name +
                               QStringLiteral(" (folder, had children arrive)"));
    if (isNews)
        announce(*id);
}

void FileProcessor::rescan(ReconcileMode mode)
{
    const fs::Listing listing = fs::listDirectory(m_downloadsPath);
    if (!listing.ok()) {
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("Cannot list the Downloads folder: ") + listing.error);
        return;
    }
    std::vector<ReconcileStep> steps;
    QSet<std::uint64_t> present;
    m_partials.clear();
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        if (!name) {
            VANTLE_DIAG(lcWatcher,
                        QStringLiteral("Ignored an item whose name is not valid UTF-8: ") +
                            QString::fromLatin1(raw.toPercentEncoding("/ ")));
            continue;
        }
        const QString full = m_downloadsPath + QLatin1Char('/') + *name;
        if (names::isPartialDownload(*name))
            m_partials.insert(full);
        const std::optional<ItemStat> st = fs::lstat(full);
        if (!st)
            continue;
        present.insert(st->inode);
        ReconcileStep step;
        step.facts.mode = mode;
        const std::uint32_t type = st->isDirectory ? FSEventFlags::isDir : FSEventFlags::isFile;
        step.facts.event = {full, st->inode, {FSEventFlags::created | type}, {}};
        step.facts.item = st;
        step.facts.admission = admissionOf(full, *st);
        step.facts.held = m_held.count(st->inode) > 0;
        steps.push_back(std::move(step));
    }
    for (ReconcileStep& step : steps)
        step.facts.partialBeside = !m_partials.empty();
    const auto done = settle(m_store.perform<std::vector<ReconcileStep>>(
        [&steps, &present, mode, pending = pendingFacts()](TrackedFileActor::Context& context) {
            reconcileListing(context, steps, pending, present, mode);
            return std::move(steps);
        }));
    if (!done)
        return;
    int existing = 0;
    for (const ReconcileStep& step : *done) {
        existing += step.decision.action == ReconcileDecision::insert && !step.decision.announce;
        carryOut(step);
    }
    if (existing > 0)
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("Dismissed %1 existing files in Downloads").arg(existing));
}
