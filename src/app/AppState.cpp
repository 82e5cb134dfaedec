// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppState.h"

#include "platform/AppSettings.h"
#include "platform/Autostart.h"
#include "platform/Display.h"
#include "platform/Log.h"
#include "platform/PostedCalls.h"

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

AppState::AppState(Config config, std::unique_ptr<TrackedFileActor> store, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_trackedFileActor(std::move(store))
{
    m_monitor = std::make_unique<FSEventsMonitor>(m_config.downloadsPath);
    m_fileProcessor = std::make_unique<FileProcessor>(
        *m_monitor, *m_trackedFileActor, m_config.downloadsPath,
        [this](RecordId id) { postCall(this, [this, id] { onNewFile(id); }); });
    m_cleanupService->setFolderWatched(
        [monitor = m_monitor.get()] { return monitor->watchesNow(); });
}

AppState::~AppState()
{
    shutdown();
}

QFuture<void> AppState::start()
{
    if (m_isRunning)
        return m_started;
    m_isRunning = true;
    Q_EMIT isRunningChanged(true);

    // Each step is awaited before the next, without blocking the main thread.
    m_started = startServices().then(this, [this] {
        registerLoginItem();
        m_tidySchedule->start();
    });
    return m_started;
}

QFuture<void> AppState::startServices()
{
    return startWatching()
        .then(this, [this] { return startCleanup(); })
        .unwrap()
        .then(this, [this] { startFolderIndex(); });
}

QFuture<void> AppState::startWatching()
{
    // The sequence exists before the monitor starts, so no event is lost, and
    // the monitor watches before the reconciler lists the folder, so nothing
    // that arrives during start-up is missed. The listing also drops the
    // records of items that went while the program was off, before
    // rehydration looks at them.
    auto events = m_monitor->makeEventStream();
    return m_monitor->start()
        .then(this, [this, events] { return m_fileProcessor->start(events); })
        .unwrap();
}

QFuture<void> AppState::startCleanup()
{
    // The sweep starts only once rehydration has finished.
    return m_cleanupService->rehydrate()
        .then(this, [this] { return m_cleanupService->startStaleRecordSweep(); })
        .unwrap();
}

void AppState::startFolderIndex()
{
    m_folderIndex->start();
}

void AppState::onNewFile(RecordId id)
{
    VANTLE_DIAG(lcApp, QStringLiteral("New file announced: ") + id.description());
    if (m_notifier && (!canShowToast() || settings::readBoolean(settings::notifyNewDownloads)))
        m_notifier->add(id);
    else
        m_toastController->show(id);
}

void AppState::offerNotifications(QDBusConnection bus, std::function<void()> showPopover)
{
    const bool toast = canShowToast();
    DownloadNotifier::Services services{*m_trackedFileActor, *m_cleanupService,
                                        std::move(showPopover)};
    if (toast) {
        services.openMove = [this](std::vector<RecordId> ids) { openMoveInput(ids); };
        // Without a notification server the toast answers after all.
        services.fallback = [this](RecordId id) { m_toastController->show(id); };
    }
    m_notifier = std::make_unique<DownloadNotifier>(std::move(services), std::move(bus));
}

void AppState::openMoveInput(const std::vector<RecordId>& ids)
{
    for (RecordId id : ids)
        m_toastController->show(id);
    // The panel opens from the expanded island; a toast that ends first opens none.
    auto expanded = std::make_shared<QMetaObject::Connection>();
    auto ended = std::make_shared<QMetaObject::Connection>();
    *expanded =
        connect(m_toastController.get(), &ToastController::interactionChanged, this,
                [this, expanded, ended] {
                    if (!m_toastController->isExpanded())
                        return;
                    disconnect(*expanded);
                    disconnect(*ended);
                    // Not from inside the toast's own update.
                    QMetaObject::invokeMethod(
                        this, [this] { m_toastController->showMoveInput(); }, Qt::QueuedConnection);
                });
    *ended = connect(m_toastController.get(), &ToastController::hidden, this, [expanded, ended] {
        disconnect(*expanded);
        disconnect(*ended);
    });
}

void AppState::registerLoginItem()
{
    if (auto error = ::registerLoginItem(m_config.autostartPath, m_config.executable))
        VANTLE_DIAG(lcApp, QStringLiteral("Failed to register login item: ") + *error);
}

void AppState::shutdown()
{
    // Each service stops before what it waits on, and everything that runs
    // off the main thread ends before the main-thread objects that await it
    // go (ARCHITECTURE.md, "Shutdown").
    // The watcher stops before the store it writes to.
    if (m_monitor)
        m_monitor->stop();
    if (m_fileProcessor)
        m_fileProcessor->stop();
    // Deadlines stop before the store they consult.
    if (m_cleanupService)
        m_cleanupService->shutdown();
    // A restore under way waits on the store: it ends first.
    if (m_recentlyTrashed)
        m_recentlyTrashed->shutdown();
    if (m_tidySchedule)
        m_tidySchedule->stop();
    if (m_tidier)
        m_tidier->shutdown();
    if (m_trackedFileActor)
        m_trackedFileActor->shutdown();
    // The popover's filter and other pool steps between store and main thread.
    QThreadPool::globalInstance()->waitForDone();
    // Answers already on their way to the main thread reach their objects
    // while those still exist; calls the stopped services dropped have
    // finished cancelled by now.
    deliverPostedCalls();
}
