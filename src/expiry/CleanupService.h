// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"
#include "store/RecordTrash.h"
#include "store/TrackedFile.h"

#include <QDateTime>
#include <QFuture>
#include <QHash>
#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class ContinuousTimer;
class ServiceThread;
class TrackedFileActor;

inline constexpr std::chrono::milliseconds cleanupStaleRecordSweepInterval =
    std::chrono::seconds(900);

// The service's periods; tests shorten them.
struct CleanupIntervals {
    // Period of the sweep for records whose files vanished; the first sweep
    // runs one period after it was started.
    std::chrono::milliseconds staleRecordSweep = cleanupStaleRecordSweepInterval;
};

// Moves temporary files to the Trash when they expire and drops records whose
// files are gone. Lives on its own thread; every operation is a queued call
// that returns at once with a future. One deadline per scheduled record on the
// clock that counts suspend; the record is re-checked on the store (still
// temporary and expired) and trashed through the store's RecordTrash, so a
// stale deadline never touches a kept, moved or replaced file. A file the
// Trash refuses stays temporary and is tried again at the next sweep and the
// next start.
class CleanupService : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds staleRecordSweepInterval =
        cleanupStaleRecordSweepInterval;
    using Intervals = CleanupIntervals;

    explicit CleanupService(TrackedFileActor& store, Intervals intervals = Intervals{});
    ~CleanupService() override;

    // Replaces the record's pending deadline with one at `expiresAt` (at once
    // when it has passed). Callable from any thread; the future finishes when
    // the deadline is set, not when it fires.
    QFuture<void> schedule(RecordId id, QDateTime expiresAt);
    // Trashes what expired while the program was not running, then sets the
    // deadlines of every other temporary record.
    QFuture<void> rehydrate();
    // Starts the periodic stale-record sweep (a second call restarts it).
    QFuture<void> startStaleRecordSweep();
    // One sweep: forgets every record whose file is no longer at its path
    // (never while the Downloads folder itself is missing), and tries again
    // the files the Trash refused.
    QFuture<void> cleanUpStaleRecords();
    // What a deadline runs: trashes the record's file if the record is still
    // temporary and expired and its file still at its path, then forgets it.
    QFuture<void> trashExpired(RecordId id);

    // Whether the watcher watches the Downloads folder right now; while it
    // does not (missing, or its drive unmounted), the sweep drops nothing.
    // Set before the sweep starts; without it the folder's existence decides.
    void setFolderWatched(std::function<bool()> watched) { m_folderWatched = std::move(watched); }

    // How many records have a pending deadline.
    QFuture<int> scheduledCount();
    // The records whose file the Trash refused, with its error.
    QFuture<QHash<RecordId, QString>> trashFailures();

Q_SIGNALS:
    // The Trash refused an expired file; it stays and is tried again later.
    void trashFailed(RecordId id, const QString& fileName, const QString& error);

public:
    // Drops every pending deadline and stops the service's thread (at exit,
    // before the store stops). Blocks until the work queued before it has run.
    void shutdown();

private:
    // Service-thread halves of the operations above.
    void scheduleNow(RecordId id, const QDateTime& expiresAt);
    // Replaces the record's deadline with one `delayMs` from now.
    void armTask(RecordId id, qint64 delayMs);
    void fire(RecordId id);
    void trashExpiredNow(RecordId id);
    // Trashes one expired item through the store's guard; its record is to go
    // unless the Trash refused.
    RecordTrash::Outcome dispose(const ExpiredItem& item, const QString& failurePrefix);
    // Records what trashing the item came to: failures, the signal, the log.
    RecordTrash::Outcome noteOutcome(const ExpiredItem& item, const RecordTrash::Result& result,
                                     const QString& failurePrefix);
    void rehydrateNow();
    void startSweepNow();
    void cleanUpStaleRecordsNow();
    void ensureTimer();
    // Deletes the record on the store and saves; with `untag`, drops its tag
    // if the path still holds the record's own file. Waits for the store.
    void forgetRecord(RecordId id, bool untag);
    // The same for several records, without waiting; the store runs such
    // requests in order.
    QFuture<bool> forgetRecordsLater(std::vector<RecordId> ids, bool untag);

    TrackedFileActor& m_trackedFileActor;
    Intervals m_intervals;
    std::function<bool()> m_folderWatched;
    ContinuousTimer* m_timer = nullptr; // created on the service's thread
    QHash<RecordId, std::uint64_t> m_scheduledTasks;
    std::uint64_t m_staleRecordTask = 0;
    QHash<RecordId, QString> m_trashFailures;
    // Record deletions handed to the store and not yet run there.
    std::shared_ptr<std::atomic<int>> m_queuedForgets = std::make_shared<std::atomic<int>>(0);
    std::unique_ptr<ServiceThread> m_thread;
};
