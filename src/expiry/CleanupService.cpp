// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/CleanupService.h"

#include "platform/ContinuousTimer.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/Serial.h"
#include "store/Tags.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <span>
#include <vector>

namespace {

// Deadlines further out than this are set at this distance; when one fires
// early the store check finds the record not yet due and sets it again.
constexpr qint64 longestDelayMs = qint64(100) * 365 * 24 * 3600 * 1000;

// Rehydration trashes files and hands their records to the store in groups
// of this many: each group is one wake-up of the store's thread instead of
// one per file.
constexpr size_t forgetBatchSize = 32;

// The store's answer, or nothing when the store stopped before answering.
// Only the service thread waits, and only on the store, which waits on nothing.
template <typename T> std::optional<T> waitFor(QFuture<T> future)
{
    future.waitForFinished();
    if (future.isCanceled() || future.resultCount() == 0)
        return std::nullopt;
    return future.result();
}

QString lastComponent(const QString& path)
{
    return QFileInfo(path).fileName();
}

// What the store says of one record when its deadline fires.
struct DueCheck {
    std::optional<ExpiredItem> expired;
    std::optional<qint64> remainingMs; // still temporary, due later
};

} // namespace

CleanupService::CleanupService(TrackedFileActor& store, Intervals intervals)
    : m_trackedFileActor(store), m_intervals(intervals)
{
    m_thread = std::make_unique<ServiceThread>(this, "CleanupService");
}

CleanupService::~CleanupService()
{
    shutdown();
}

void CleanupService::shutdown()
{
    if (!m_thread)
        return;
    // The kernel timer belongs to the service thread: it goes there.
    runSerial<void>(this, [this] {
        delete m_timer;
        m_timer = nullptr;
        m_scheduledTasks.clear();
        m_staleRecordTask = 0;
    }).waitForFinished();
    m_thread->stop();
    m_thread.reset();
}

void CleanupService::ensureTimer()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!m_timer)
        m_timer = new ContinuousTimer(this);
}

QFuture<void> CleanupService::schedule(RecordId id, QDateTime expiresAt)
{
    return runSerial<void>(this, [this, id, expiresAt] { scheduleNow(id, expiresAt); });
}

QFuture<void> CleanupService::rehydrate()
{
    return runSerial<void>(this, [this] { rehydrateNow(); });
}

QFuture<void> CleanupService::startStaleRecordSweep()
{
    return runSerial<void>(this, [this] { startSweepNow(); });
}

QFuture<void> CleanupService::cleanUpStaleRecords()
{
    return runSerial<void>(this, [this] { cleanUpStaleRecordsNow(); });
}

QFuture<void> CleanupService::trashExpired(RecordId id)
{
    return runSerial<void>(this, [this, id] { trashExpiredNow(id); });
}

QFuture<int> CleanupService::scheduledCount()
{
    return runSerial<int>(this, [this] { return int(m_scheduledTasks.size()); });
}

QFuture<QHash<RecordId, QString>> CleanupService::trashFailures()
{
    return runSerial<QHash<RecordId, QString>>(this, [this] { return m_trashFailures; });
}

void CleanupService::scheduleNow(RecordId id, const QDateTime& expiresAt)
{
    // An unreadable date fires at once; the store check then decides.
    const qint64 delayMs =
        expiresAt.isValid() ? QDateTime::currentDateTimeUtc().msecsTo(expiresAt) : 0;
    armTask(id, delayMs);
}

void CleanupService::armTask(RecordId id, qint64 delayMs)
{
    ensureTimer();
    if (const std::uint64_t earlier = m_scheduledTasks.value(id))
        m_timer->cancel(earlier);
    const auto delay = std::chrono::milliseconds(std::clamp<qint64>(delayMs, 0, longestDelayMs));
    m_scheduledTasks.insert(id, m_timer->scheduleAfter(delay, [this, id] { fire(id); }));
}

void CleanupService::fire(RecordId id)
{
    m_scheduledTasks.remove(id);
    trashExpiredNow(id);
}

void CleanupService::trashExpiredNow(RecordId id)
{
    const std::optional<DueCheck> check =
        waitFor(m_trackedFileActor.perform<DueCheck>([id](TrackedFileActor::Context& context) {
            DueCheck result;
            const TrackedFile* record = context.fetchRecord(id);
            if (!record || record->state != FileState::temporary || !record->expiresAt)
                return result;
            const QDateTime now = context.now();
            if (*record->expiresAt <= now)
                result.expired = ExpiredItem{record->filePath, record->inode, record->id};
            else
                result.remainingMs = now.msecsTo(*record->expiresAt);
            return result;
        }));
    if (!check)
        return;
    if (!check->expired) {
        m_trashFailures.remove(id);
        // Kept, gone, or its expiry moved later. A deadline that fired early
        // (the wall clock was set back) is set again, unless a newer one exists.
        if (check->remainingMs && !m_scheduledTasks.contains(id))
            armTask(id, *check->remainingMs);
        return;
    }
    if (dispose(*check->expired, QStringLiteral("Failed to trash ")) !=
        RecordTrash::Outcome::failed)
        forgetRecord(id, true);
}

RecordTrash::Outcome CleanupService::dispose(const ExpiredItem& item, const QString& failurePrefix)
{
    return noteOutcome(item, m_trackedFileActor.recordTrash().trash(item.filePath, item.inode),
                       failurePrefix);
}

RecordTrash::Outcome CleanupService::noteOutcome(const ExpiredItem& item,
                                                 const RecordTrash::Result& result,
                                                 const QString& failurePrefix)
{
    const QString name = lastComponent(item.filePath);
    switch (result.outcome) {
    case RecordTrash::Outcome::trashed:
        VANTLE_DIAG(lcExpiry, QStringLiteral("Trashed expired file: ") + name);
        break;
    case RecordTrash::Outcome::failed:
        // The file and its mark stay; the next sweep and the next start try again.
        VANTLE_DIAG(lcExpiry, failurePrefix + name + QStringLiteral(": ") + result.detail);
        m_trashFailures.insert(item.id, result.detail);
        Q_EMIT trashFailed(item.id, name, result.detail);
        return result.outcome;
    case RecordTrash::Outcome::absent:
    case RecordTrash::Outcome::refused:
        break;
    }
    m_trashFailures.remove(item.id);
    return result.outcome;
}

void CleanupService::forgetRecord(RecordId id, bool untag)
{
    waitFor(forgetRecordsLater({id}, untag));
}

QFuture<bool> CleanupService::forgetRecordsLater(std::vector<RecordId> ids, bool untag)
{
    m_queuedForgets->fetch_add(1);
    return m_trackedFileActor.perform<bool>([ids = std::move(ids), untag, queued = m_queuedForgets](
                                                TrackedFileActor::Context& context) {
        bool removed = false;
        for (RecordId id : ids) {
            const TrackedFile* record = context.fetchRecord(id);
            if (!record)
                continue;
            // Another file now at the path keeps its own tags.
            if (untag)
                tags::removeTag(record->filePath, record->inode);
            context.model().remove(id);
            removed = true;
        }
        // The records are gone from every lookup at once; when more such
        // deletions wait right behind these, the last of them saves for all.
        // A failed save stays pending until the next one.
        if (queued->fetch_sub(1) == 1)
            context.save();
        return removed;
    });
}

void CleanupService::rehydrateNow()
{
    const std::vector<ExpiredItem> expired =
        waitFor(m_trackedFileActor.fetchExpired()).value_or(std::vector<ExpiredItem>{});
    QSet<RecordId> handled;
    if (!expired.empty()) {
        QFuture<bool> lastForget;
        int trashed = 0;
        const std::span<const ExpiredItem> all(expired);
        for (std::size_t start = 0; start < all.size(); start += forgetBatchSize) {
            const auto group = all.subspan(start, std::min(forgetBatchSize, all.size() - start));
            std::vector<RecordTrash::Target> targets;
            for (const ExpiredItem& item : group)
                targets.push_back({item.filePath, item.inode});
            const std::vector<RecordTrash::Result> results =
                m_trackedFileActor.recordTrash().trashAll(targets);
            std::vector<RecordId> handledNow;
            for (std::size_t i = 0; i < group.size(); ++i) {
                handled.insert(group[i].id);
                const RecordTrash::Outcome outcome = noteOutcome(
                    group[i], results[i], QStringLiteral("Rehydrate: failed to trash "));
                if (outcome == RecordTrash::Outcome::failed)
                    continue;
                trashed += outcome == RecordTrash::Outcome::trashed ? 1 : 0;
                handledNow.push_back(group[i].id);
            }
            // The store deletes the records of the files just handled while
            // this thread goes on with the next group.
            if (!handledNow.empty())
                lastForget = forgetRecordsLater(std::move(handledNow), true);
        }
        waitFor(lastForget);
        VANTLE_DIAG(lcExpiry,
                    QStringLiteral("Rehydrate: trashed %1 file(s) that expired while offline")
                        .arg(trashed));
    }

    std::vector<PendingExpiry> pending =
        waitFor(m_trackedFileActor.temporaryExpirations()).value_or(std::vector<PendingExpiry>{});
    // What the Trash just refused waits for the sweep rather than firing now.
    std::erase_if(pending, [&](const PendingExpiry& item) { return handled.contains(item.id); });
    if (pending.empty())
        return;
    for (const PendingExpiry& item : pending)
        scheduleNow(item.id, item.expiresAt);
    VANTLE_DIAG(lcExpiry,
                QStringLiteral("Rehydrate: scheduled %1 pending file(s)").arg(pending.size()));
}

void CleanupService::startSweepNow()
{
    ensureTimer();
    if (m_staleRecordTask)
        m_timer->cancel(m_staleRecordTask);
    m_staleRecordTask = m_timer->scheduleAfter(m_intervals.staleRecordSweep, [this] {
        m_staleRecordTask = 0;
        cleanUpStaleRecordsNow();
        // The next period starts when this sweep has finished.
        if (!m_staleRecordTask)
            startSweepNow();
    });
}

void CleanupService::cleanUpStaleRecordsNow()
{
    // Without the folder (an unmounted drive) every record would look stale.
    const QString downloads = m_trackedFileActor.recordTrash().downloadsPath();
    const std::optional<ItemStat> folder = fs::stat(downloads);
    if (!folder || !folder->isDirectory || (m_folderWatched && !m_folderWatched())) {
        VANTLE_DIAG(
            lcExpiry,
            QStringLiteral("Sweep skipped: the Downloads folder is missing or not watched: ") +
                downloads);
        return;
    }
    for (const RecordId id : m_trashFailures.keys())
        trashExpiredNow(id);
    const std::vector<RecordSummary> records =
        waitFor(m_trackedFileActor.allRecords()).value_or(std::vector<RecordSummary>{});
    for (const RecordSummary& item : records) {
        if (item.filePath.isEmpty() || fs::holdsItem(item.filePath, item.inode))
            continue;
        // The file is not at the path: its tag is not touched. The store
        // checks again, since the watcher may have moved the record meanwhile.
        const QString path = item.filePath;
        const std::uint64_t inode = item.inode;
        const std::optional<bool> kept = waitFor(m_trackedFileActor.perform<bool>(
            [id = item.id, path, inode](TrackedFileActor::Context& context) {
                const TrackedFile* record = context.fetchRecord(id);
                if (!record)
                    return false;
                if (record->filePath != path || record->inode != inode ||
                    fs::holdsItem(path, inode))
                    return true;
                context.model().remove(id);
                context.save(); // a failed save stays pending until the next one
                return false;
            }));
        if (kept.value_or(true))
            continue;
        if (const std::uint64_t task = m_scheduledTasks.take(item.id); task && m_timer)
            m_timer->cancel(task);
        VANTLE_DIAG(lcExpiry,
                    QStringLiteral("Cleaned up stale record: ") + lastComponent(item.filePath));
    }
}
