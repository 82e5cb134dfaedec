// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notify/NotificationsClient.h"
#include "store/RecordId.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class CleanupService;
class TrackedFileActor;

// New downloads answered through a desktop notification, where no toast can
// be shown or where the user prefers it. One notification stands for the
// whole burst ("3 new downloads"): each new file replaces it, its actions
// apply to every file it names, and it is withdrawn once they are all
// answered elsewhere (the popover, the command line, their expiry). A server
// without actions gets a plain one that opens the popover.
class DownloadNotifier : public QObject {
    Q_OBJECT
public:
    struct Services {
        TrackedFileActor& store;
        CleanupService& cleanup;
        std::function<void()> showPopover;
        // Opens the move panel for these files; empty where none can be shown.
        std::function<void(std::vector<RecordId>)> openMove = {};
        // Answers a file another way when no notification server takes it.
        std::function<void(RecordId)> fallback = {};
    };

    DownloadNotifier(Services services, QDBusConnection bus, QObject* parent = nullptr);

    // A new record announced by the reconciler.
    void add(RecordId id);

    // The files the notification asks about, oldest first, and its id (0: none up).
    std::vector<RecordId> pending() const;
    uint notificationId() const { return m_id; }

Q_SIGNALS:
    // The server has shown, replaced or withdrawn the notification.
    void notificationChanged();

private:
    struct Entry {
        RecordId id;
        QString fileName;
    };

    void raiseSoon();
    void raise();
    void raised(uint id);
    // Drops the files answered meanwhile; withdraws or replaces the notification.
    void recheck();
    void withdraw();
    void onAction(uint id, const QString& key);
    void onClosed(uint id, uint reason);
    // The files the notification asked about; it is no longer up.
    std::vector<Entry> takeEntries();
    void markTemporary(const std::vector<Entry>& entries);
    void tellFailure(const QString& text);
    NotificationsClient::Notification content(const QStringList& capabilities) const;

    Services m_services;
    NotificationsClient m_client;
    std::vector<Entry> m_entries;
    uint m_id = 0;
    bool m_raising = false;     // a Notify call is on its way
    bool m_raiseAgain = false;  // the burst changed while it was
    bool m_raiseQueued = false; // a raise waits for the current burst of work
    bool m_recheckQueued = false;
    bool m_recheckAgain = false;
};
