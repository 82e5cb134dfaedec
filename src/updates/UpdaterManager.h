// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdateStatus.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>

class BoundedFetch;
class EnclosureDownload;

inline constexpr std::chrono::milliseconds updateCheckInterval = std::chrono::hours(24);
// After start, so that the network and the desktop are up first.
inline constexpr std::chrono::milliseconds firstUpdateCheckDelay = std::chrono::seconds(30);
inline constexpr std::chrono::milliseconds updateFeedTimeout = std::chrono::seconds(30);
inline constexpr std::chrono::milliseconds updateDownloadTimeout = std::chrono::hours(1);
inline constexpr std::chrono::milliseconds updateIdleTimeout = std::chrono::seconds(30);
inline constexpr qint64 maxUpdateFeedBytes = 1024 * 1024;
inline constexpr qint64 maxUpdateDownloadBytes = qint64(1024) * 1024 * 1024;
inline constexpr int maxUpdateRedirects = 5;

// $XDG_CACHE_HOME/Vantle/updates
QString defaultUpdateCacheFolder();

struct UpdaterOptions {
    // Empty: updates come from the package manager.
    QUrl feedUrl = QUrl(QStringLiteral(VANTLE_UPDATE_FEED_URL));
    // The running program's version; empty: the application's.
    QString currentVersion;
    QString cacheFolder = defaultUpdateCacheFolder();
    std::chrono::milliseconds checkInterval = updateCheckInterval;
    std::chrono::milliseconds firstCheckDelay = firstUpdateCheckDelay;
    std::chrono::milliseconds feedTimeout = updateFeedTimeout;
    std::chrono::milliseconds downloadTimeout = updateDownloadTimeout;
    std::chrono::milliseconds idleTimeout = updateIdleTimeout;
    qint64 maxFeedBytes = maxUpdateFeedBytes;
    qint64 maxDownloadBytes = maxUpdateDownloadBytes;
    int maxRedirects = maxUpdateRedirects;
};

// The update check: reads the appcast (Appcast.h) on demand and, while the
// user lets it, once a day; downloads and verifies a newer version's file when
// the user lets it. Lives on the main thread for the whole process.
class UpdaterManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
public:
    explicit UpdaterManager(UpdaterOptions options = {}, QObject* parent = nullptr);
    ~UpdaterManager() override;

    // Without a feed the package manager brings updates.
    bool hasFeed() const { return !m_options.feedUrl.isEmpty(); }
    // False without a feed and while a check (or its download) runs.
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    // Starts a check unless one runs or there is no feed.
    void checkForUpdates();

    // Both kept in the settings; the first also arms the daily check.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    bool automaticallyDownloadsUpdates() const;
    void setAutomaticallyDownloadsUpdates(bool on);

    const UpdateStatus& status() const { return m_status; }
    QString statusText() const { return ::statusText(m_status); }
    const QString& cacheFolder() const { return m_options.cacheFolder; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);
    void statusChanged();

private:
    // When a check is due: one interval after the last, at the earliest
    // the first-check delay from now.
    void scheduleCheck();
    void onFeedFetched(UpdateFailure failure, int httpStatus);
    void onDownloaded(UpdateFailure failure, const QString& path);
    void setStatus(UpdateStatus status);
    // The check is over: its status stands and another may start.
    void finish(UpdateStatus status);
    void setCanCheckForUpdates(bool can);

    UpdaterOptions m_options;
    QNetworkAccessManager m_network;
    QTimer m_scheduled;
    QPointer<BoundedFetch> m_feedFetch;
    QPointer<EnclosureDownload> m_download;
    QByteArray m_feed;
    UpdateStatus m_status;
    bool m_canCheckForUpdates = false;
};
