// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ContinuousTimer.h"
#include "platform/Serial.h"
#include "store/RecordId.h"
#include "store/TrackedFile.h"
#include "watcher/FileEventStream.h"
#include "watcher/StoreReconcile.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>

class FSEventsMonitor;
class TrackedFileActor;

// Keeps the store in step with what is directly inside Downloads: takes the
// monitor's events one at a time on a thread of its own and carries out the
// reconcile decision for each (new items, in-place replacements, renames and,
// after a delay, removals).
class FileProcessor : public QObject {
    Q_OBJECT
public:
    // How long a vanished item's record waits before it is removed, so that a
    // save that replaces the file keeps the record.
    static constexpr std::chrono::milliseconds removalDelay{1500};
    // How long a new empty file waits before it is announced: a browser
    // probes a free name by making an empty file and deleting it at once.
    static constexpr std::chrono::milliseconds emptyFileWait{250};

    using NewFileCallback = std::function<void(RecordId)>;

    FileProcessor(FSEventsMonitor& monitor, TrackedFileActor& store, QString downloadsPath,
                  NewFileCallback onNewFile,
                  std::chrono::milliseconds removalDelay = FileProcessor::removalDelay,
                  std::chrono::milliseconds emptyFileWait = FileProcessor::emptyFileWait);
    ~FileProcessor() override;

    // Lists the folder and records what is there as existing items (kept,
    // not announced; records of items gone meanwhile are dropped), then
    // consumes the sequence. The future finishes once it consumes. Start the
    // monitor first, so that nothing arriving meanwhile is missed.
    QFuture<void> start(std::shared_ptr<FileEventStream> events);
    // Stops consuming and ends the thread; pending removals are dropped.
    void stop();

    // How many removals are waiting out their delay.
    QFuture<int> pendingRemovalCount();

private:
    struct PendingRemoval {
        std::uint64_t inode = 0;
        ContinuousTimer::TimerId task = 0;
        // The item was deleted (not moved away): its inode may come back on a new item.
        bool deleted = false;
    };

    void consumeNext();
    void handle(const FileEvent& event);
    // Completes the facts on the store, decides and applies; looks for the
    // inode in Downloads first when the decision needs it.
    ReconcileStep reconcile(ReconcileFacts facts);
    void carryOut(const ReconcileStep& step);
    std::optional<QString> findPathInDownloads(std::uint64_t inode) const;
    bool hasPartialDownload();
    PendingByPath pendingFacts() const;

    void handleRemoved(std::uint64_t inode, bool deleted = false);
    void commitRemoval(std::uint64_t inode, const QString& path);
    void callOffRemovalsOf(std::uint64_t inode);
    // Announces a held empty file that is still there.
    void releaseIfSettled(std::uint64_t inode);
    void checkRetroactiveFolder(const QString& path);
    // Lists the folder and reconciles every item and every record with it.
    void rescan(ReconcileMode mode);
    void announce(RecordId id);
    std::optional<TrackedFile> fetchByInode(std::uint64_t inode);

    FSEventsMonitor& m_monitor;
    TrackedFileActor& m_store;
    QString m_downloadsPath;
    NewFileCallback m_onNewFile;
    std::chrono::milliseconds m_removalDelay;
    std::chrono::milliseconds m_emptyFileWait;
    std::shared_ptr<FileEventStream> m_events;
    // Folders that arrived empty, and whether they are news once something arrives.
    std::unordered_map<std::uint64_t, bool> m_locallyCreatedDirs;
    QHash<QString, PendingRemoval> m_pendingRemovals;
    // New empty files and browsers' placeholders: recorded, announced once
    // they have content or have stayed.
    std::set<std::uint64_t> m_held;
    // Paths of partial downloads in Downloads, as the events and listings told.
    std::set<QString> m_partials;
    ContinuousTimer* m_timer = nullptr;
    std::unique_ptr<ServiceThread> m_thread;
};
