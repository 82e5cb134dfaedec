// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ContinuousTimer.h"
#include "platform/Serial.h"
#include "store/RecordId.h"
#include "store/TrackedFile.h"
#include "watcher/FileEventStream.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>

class FSEventsMonitor;
class TrackedFileActor;

// Keeps the store in step with what is directly inside Downloads: takes the
// monitor's events one at a time on a thread of its own and records new
// items, in-place replacements, renames and (after a delay) removals.
class FileProcessor : public QObject {
    Q_OBJECT
public:
    // How long a vanished item's record waits before it is removed, so that a
    // save that replaces the file keeps the record.
    static constexpr std::chrono::milliseconds removalDelay{1500};

    using NewFileCallback = std::function<void(RecordId)>;

    FileProcessor(FSEventsMonitor& monitor, TrackedFileActor& store, QString downloadsPath,
                  NewFileCallback onNewFile,
                  std::chrono::milliseconds removalDelay = FileProcessor::removalDelay);
    ~FileProcessor() override;

    // Starts consuming the sequence; the future finishes once it consumes.
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
    void handleNewItem(const FileEvent& event, const QString& name,
                       std::optional<std::uint64_t> activeInode);
    void handleTrackedItem(const FileEvent& event, const QString& name);
    std::optional<QString> findPathInDownloads(std::uint64_t inode) const;

    void handleRemoved(std::uint64_t inode, bool deleted = false);
    void commitRemoval(std::uint64_t inode, const QString& path);
    void callOffRemoval(const QString& path);
    void callOffRemovalsOf(std::uint64_t inode);
    bool isReusedInode(const FileEvent& event, const TrackedFile& record);
    bool takeOverReusedInode(const FileEvent& event, const TrackedFile& record,
                             const QString& name);
    bool isEffectivelyEmptyDirectory(const QString& path) const;
    void checkRetroactiveFolder(const QString& path);
    void rescan();
    void reconcileTrackedAfterRescan(const QHash<std::uint64_t, QString>& present);
    void announce(RecordId id);

    std::optional<TrackedFile> fetchByInode(std::uint64_t inode);
    struct Lookup {
        std::optional<TrackedFile> record;        // the record with the inode
        std::optional<std::uint64_t> activeInode; // of the undismissed record at the path
    };
    Lookup lookUp(std::uint64_t inode, const QString& path);

    FSEventsMonitor& m_monitor;
    TrackedFileActor& m_store;
    QString m_downloadsPath;
    NewFileCallback m_onNewFile;
    std::chrono::milliseconds m_removalDelay;
    std::shared_ptr<FileEventStream> m_events;
    std::unordered_set<std::uint64_t> m_locallyCreatedDirs;
    QHash<QString, PendingRemoval> m_pendingRemovals;
    ContinuousTimer* m_timer = nullptr;
    std::unique_ptr<ServiceThread> m_thread;
};
