// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Inotify.h"
#include "platform/Serial.h"
#include "watcher/FileEventStream.h"

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>

class QSocketNotifier;
class QTimer;

// Watches the Downloads folder and each folder directly inside it with
// inotify, and yields one FileEvent per item event into its continuation, in
// order. Runs on a thread of its own that sleeps until the kernel has news.
class FSEventsMonitor : public QObject {
    Q_OBJECT
public:
    // How long to wait before trying again to watch a folder that is missing.
    static constexpr std::chrono::milliseconds retryInterval{5000};

    explicit FSEventsMonitor(QString path, std::chrono::milliseconds retry = retryInterval);
    ~FSEventsMonitor() override;

    const QString& path() const { return m_path; }

    // Creates the unbounded event sequence and keeps its producer end as the
    // continuation (replacing an earlier one). Call before `start`.
    std::shared_ptr<FileEventStream> makeEventStream();
    // Starts watching; the future finishes once the first attempt was made.
    // A folder that cannot be watched is tried again every `retry`.
    QFuture<void> start();
    // Ends watching and the sequence, and stops the thread.
    void stop();

    // Stops or resumes reading the kernel's queue (which keeps filling).
    QFuture<void> setReadingPaused(bool paused);
    // Whether the Downloads folder is being watched right now.
    QFuture<bool> isWatching();
    // The same, answered at once from any thread.
    bool watchesNow() const { return m_watchingNow.load(); }

private:
    struct Watched {
        QByteArray name; // the folder's name inside Downloads; empty for Downloads
        std::uint64_t inode = 0;
        QHash<QByteArray, std::uint64_t> inodes;
    };

    void tryWatch();
    void readEvents();
    void handleOverflow(std::vector<FileEvent>& out);
    void lostRoot(bool instanceFailed);
    void scheduleRetry();
    void watchSubfolder(const QByteArray& name);
    void dropSubfolder(const QByteArray& name);
    void dropWatch(int watch);
    void unwatchAll();
    void seed(Watched& watched, const QByteArray& folder);
    QByteArray folderPath(const Watched& watched) const;
    void emitEvent(std::vector<FileEvent>& out,
                   std::map<std::pair<QString, std::uint64_t>, std::size_t>& index, FileEvent event,
                   bool leaves);
    FileEvent mustScanEvent(std::uint32_t extra = 0) const;
    void deliver(std::vector<FileEvent> events);

    QString m_path;
    QByteArray m_pathBytes;
    std::chrono::milliseconds m_retry;
    std::shared_ptr<FileEventStream> m_continuation;
    std::unique_ptr<Inotify> m_inotify;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_retryTimer = nullptr;
    int m_rootWatch = -1;
    std::map<int, Watched> m_watches;
    std::map<QByteArray, int> m_subfolders; // name inside Downloads -> watch
    bool m_rescanWhenWatching = false;
    // Downloads was a file system of its own when first watched: while its
    // mount point stands empty in its place, it counts as absent.
    std::optional<bool> m_ownFileSystem;
    std::atomic<bool> m_watchingNow = false;
    bool m_paused = false;
    bool m_stopped = false;
    std::unique_ptr<ServiceThread> m_thread;
};
