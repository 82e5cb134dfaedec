// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expiry/CleanupService.h"
#include "move/FolderIndex.h"
#include "move/MoveMRU.h"
#include "notify/DownloadNotifier.h"
#include "platform/KeyGrabber.h"
#include "platform/Trash.h"
#include "platform/WindowSystem.h"
#include "platform/Workspace.h"
#include "popover/RecentlyTrashed.h"
#include "store/TrackedFileActor.h"
#include "tidy/RecentlyUsed.h"
#include "tidy/Tidier.h"
#include "tidy/TidySchedule.h"
#include "toast/ToastController.h"
#include "toast/ToastShortcuts.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/FileProcessor.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <memory>

// The root state: owns every service for the life of the process and runs the
// start-up sequence once.
class AppState : public QObject {
    Q_OBJECT
public:
    struct Config {
        QString downloadsPath;
        QString autostartPath; // the login item's desktop entry
        QString executable;    // what the login item starts
    };

    AppState(Config config, std::unique_ptr<TrackedFileActor> store, QObject* parent = nullptr);
    ~AppState() override;

    // The start-up sequence; a second call returns at once. The future
    // finishes when every step has run.
    QFuture<void> start();
    bool isRunning() const { return m_isRunning; }

    TrackedFileActor& trackedFileActor() { return *m_trackedFileActor; }
    CleanupService& cleanupService() { return *m_cleanupService; }
    // What Vantle trashed lately, and the way back (the toast's Undo, the
    // popover, the command line).
    RecentlyTrashed& recentlyTrashed() { return *m_recentlyTrashed; }
    // The tidy rule's preview, run and undo.
    Tidier& tidier() { return *m_tidier; }
    TidySchedule& tidySchedule() { return *m_tidySchedule; }
    const Config& config() const { return m_config; }

    // Saves what is pending and stops the service threads (at exit).
    void shutdown();

    // New downloads are answered through desktop notifications on `bus`
    // where no toast can show or where the user chose it; `showPopover`
    // opens the list (a click on such a notification).
    void offerNotifications(QDBusConnection bus, std::function<void()> showPopover);
    DownloadNotifier* downloadNotifier() { return m_notifier.get(); }

Q_SIGNALS:
    void isRunningChanged(bool running);

private:
    // The service steps of the start-up, each awaited before the next.
    QFuture<void> startServices();
    QFuture<void> startWatching(); // event stream and reconciler
    QFuture<void> startCleanup();  // rehydration, then the stale-record sweep
    void startFolderIndex();       // the folder index's first crawl
    void registerLoginItem();
    // A new record announced by the reconciler (on the main thread).
    void onNewFile(RecordId id);
    // The notification's "Move…": the toast shows the files with the move panel open.
    void openMoveInput(const std::vector<RecordId>& ids);

    Config m_config;
    // Services, in the order they are built.
    std::unique_ptr<TrackedFileActor> m_trackedFileActor;
    // [move] FolderIndex, MoveMRU
    std::unique_ptr<FolderIndex> m_folderIndex = std::make_unique<FolderIndex>();
    std::unique_ptr<MoveMRU> m_moveMRU = [] {
        auto recent = std::make_unique<MoveMRU>();
        recent->load();
        return recent;
    }();
    // [expiry] CleanupService
    std::unique_ptr<CleanupService> m_cleanupService =
        std::make_unique<CleanupService>(*m_trackedFileActor);
    std::unique_ptr<RecentlyTrashed> m_recentlyTrashed =
        std::make_unique<RecentlyTrashed>(*m_trackedFileActor);
    std::unique_ptr<Tidier> m_tidier = std::make_unique<Tidier>(
        *m_trackedFileActor,
        Tidier::Options{{},
                        recentlyused::defaultPath(),
                        [store = m_trackedFileActor.get()](const QStringList& locations) {
                            return RecentlyTrashed::restoreAllNow(*store, locations);
                        },
                        {}});
    // The rule's daily run, once start-up has listed Downloads.
    std::unique_ptr<TidySchedule> m_tidySchedule =
        std::make_unique<TidySchedule>(*m_tidier, TidySchedule::Options{});
    // [toast] ToastController
    std::unique_ptr<ToastController> m_toastController =
        std::make_unique<ToastController>(ToastController::Services{
            *m_trackedFileActor, *m_cleanupService, makeSystemWorkspace(), makeWindowSystem(),
            std::nullopt, m_folderIndex.get(), m_moveMRU.get(),
            [trashed = m_recentlyTrashed.get()](const QString& location) {
                return trashed->restore(location);
            }});
    std::unique_ptr<KeyGrabber> m_keyGrabber = makeKeyGrabber();
    std::unique_ptr<ToastShortcuts> m_toastShortcuts =
        std::make_unique<ToastShortcuts>(*m_toastController, *m_keyGrabber);
    // [watcher] FSEventsMonitor, FileProcessor
    std::unique_ptr<FSEventsMonitor> m_monitor;
    std::unique_ptr<FileProcessor> m_fileProcessor;
    std::unique_ptr<DownloadNotifier> m_notifier; // once offered
    bool m_isRunning = false;
    QFuture<void> m_started;
};
