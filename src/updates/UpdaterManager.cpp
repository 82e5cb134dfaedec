// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterManager.h"

#include "platform/AppSettings.h"
#include "platform/Log.h"
#include "updates/BoundedFetch.h"
#include "updates/EnclosureDownload.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <algorithm>
#include <utility>

Q_LOGGING_CATEGORY(lcUpdates, "vantle.updates", QtInfoMsg)

namespace {

// What servers send appcasts as; anything else (an HTML error page, a
// captive portal) is no feed.
const QStringList feedTypes{QStringLiteral("application/rss+xml"),
                            QStringLiteral("application/xml"), QStringLiteral("text/xml")};

} // namespace

QString defaultUpdateCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Vantle/updates");
}

UpdaterManager::UpdaterManager(UpdaterOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options))
{
    if (m_options.currentVersion.isEmpty())
        m_options.currentVersion = QCoreApplication::applicationVersion();
    m_status.currentVersion = m_options.currentVersion;
    m_scheduled.setSingleShot(true);
    connect(&m_scheduled, &QTimer::timeout, this, &UpdaterManager::checkForUpdates);
    if (!hasFeed()) {
        m_status.state = UpdateState::unavailable;
        return;
    }
    m_canCheckForUpdates = true;
    scheduleCheck();
}

UpdaterManager::~UpdaterManager()
{
    // Before the network access manager and its replies go.
    delete m_feedFetch;
    delete m_download;
}

bool UpdaterManager::automaticallyChecksForUpdates() const
{
    return settings::readBoolean(settings::automaticallyChecksForUpdates);
}

void UpdaterManager::setAutomaticallyChecksForUpdates(bool on)
{
    settings::write(settings::automaticallyChecksForUpdates, on);
    scheduleCheck();
}

bool UpdaterManager::automaticallyDownloadsUpdates() const
{
    return settings::readBoolean(settings::automaticallyDownloadsUpdates);
}

void UpdaterManager::setAutomaticallyDownloadsUpdates(bool on)
{
    settings::write(settings::automaticallyDownloadsUpdates, on);
}

void UpdaterManager::scheduleCheck()
{
    if (!hasFeed() || !automaticallyChecksForUpdates()) {
        m_scheduled.stop();
        return;
    }
    using namespace std::chrono;
    const milliseconds interval = m_options.checkInterval;
    const milliseconds earliest = std::min(m_options.firstCheckDelay, interval);
    milliseconds delay = earliest;
    // A last check in the future (the clock went back) waits one interval.
    if (const qint64 last = settings::readInteger(settings::lastUpdateCheck); last > 0) {
        const milliseconds since = seconds(QDateTime::currentSecsSinceEpoch() - last);
        delay = std::clamp(interval - since, earliest, interval);
    }
    m_scheduled.start(delay);
}

void UpdaterManager::checkForUpdates()
{
    if (!m_canCheckForUpdates)
        return;
    setCanCheckForUpdates(false);
    m_feed.clear();
    UpdateStatus checking;
    checking.state = UpdateState::checking;
    checking.currentVersion = m_options.currentVersion;
    setStatus(checking);
    const FetchLimits limits{m_options.maxFeedBytes, m_options.maxRedirects, m_options.feedTimeout,
                             m_options.idleTimeout, feedTypes};
    m_feedFetch = new BoundedFetch(
        m_network, m_options.feedUrl, limits,
        [this](QByteArrayView bytes) {
            m_feed.append(bytes);
            return true;
        },
        this);
    connect(m_feedFetch, &BoundedFetch::finished, this, &UpdaterManager::onFeedFetched);
    m_feedFetch->start();
}

void UpdaterManager::onFeedFetched(UpdateFailure failure, int httpStatus)
{
    m_feedFetch->deleteLater();
    const QByteArray feed = std::exchange(m_feed, {});
    settings::write(settings::lastUpdateCheck, QDateTime::currentSecsSinceEpoch());
    scheduleCheck();

    UpdateStatus status;
    status.currentVersion = m_options.currentVersion;
    status.state = UpdateState::failed;
    status.failure = failure;
    status.httpStatus = httpStatus;
    if (failure != UpdateFailure::none)
        return finish(status);
    const std::optional<AppcastItem> item = newestAppcastItem(feed);
    if (!item) {
        status.failure = UpdateFailure::malformed;
        return finish(status);
    }
    status.failure = UpdateFailure::none;
    if (!isNewerVersion(item->version, m_options.currentVersion)) {
        status.state = UpdateState::upToDate;
        return finish(status);
    }
    status.state = UpdateState::available;
    status.version = item->displayVersion;
    status.releaseNotes = item->releaseNotes;
    status.releaseNotesLink = item->releaseNotesLink;
    status.downloadPage = item->downloadPage;
    if (!automaticallyDownloadsUpdates())
        return finish(status);

    status.state = UpdateState::downloading;
    setStatus(status);
    const FetchLimits limits{m_options.maxDownloadBytes,
                             m_options.maxRedirects,
                             m_options.downloadTimeout,
                             m_options.idleTimeout,
                             {}};
    m_download = new EnclosureDownload(m_network, *item, m_options.cacheFolder, limits, this);
    connect(m_download, &EnclosureDownload::finished, this, &UpdaterManager::onDownloaded);
    m_download->start();
}

void UpdaterManager::onDownloaded(UpdateFailure failure, const QString& path)
{
    m_download->deleteLater();
    UpdateStatus status = m_status;
    status.state =
        failure == UpdateFailure::none ? UpdateState::downloaded : UpdateState::downloadFailed;
    status.failure = failure;
    status.downloadedFile = path;
    finish(status);
}

void UpdaterManager::setStatus(UpdateStatus status)
{
    m_status = std::move(status);
    Q_EMIT statusChanged();
}

void UpdaterManager::finish(UpdateStatus status)
{
    setStatus(std::move(status));
    VANTLE_DIAG(lcUpdates, statusText());
    setCanCheckForUpdates(true);
}

void UpdaterManager::setCanCheckForUpdates(bool can)
{
    if (m_canCheckForUpdates == can)
        return;
    m_canCheckForUpdates = can;
    Q_EMIT canCheckForUpdatesChanged(can);
}
