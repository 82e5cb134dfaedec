// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/DownloadNotifier.h"

#include "expiry/MarkTemporary.h"
#include "platform/Log.h"
#include "store/TrackedFileActor.h"

#include <QSet>
#include <algorithm>

namespace {

// Names beyond these are counted, not listed: a notification has a few lines.
constexpr int namesListed = 3;

const QString markTemporaryKey = QStringLiteral("mark-temporary");
const QString keepKey = QStringLiteral("keep");
const QString moveKey = QStringLiteral("move");
const QString defaultKey = QStringLiteral("default");

} // namespace

DownloadNotifier::DownloadNotifier(Services services, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_client(std::move(bus))
{
    connect(&m_client, &NotificationsClient::actionInvoked, this, &DownloadNotifier::onAction);
    connect(&m_client, &NotificationsClient::closed, this, &DownloadNotifier::onClosed);
    // The store tells on its own thread; answered files are looked for here.
    connect(&m_services.store, &TrackedFileActor::changed, this, [this] { recheck(); });
    connect(&m_services.store, &TrackedFileActor::recordsRemoved, this, [this] { recheck(); });
}

void DownloadNotifier::add(RecordId id)
{
    m_services.store.record(id).then(this, [this](const std::optional<TrackedFile>& record) {
        // Gone or answered before it could be told: nothing to ask.
        if (!record || record->state != FileState::unprocessed)
            return;
        m_entries.push_back({record->id, record->fileName});
        raiseSoon();
    });
}

std::vector<RecordId> DownloadNotifier::pending() const
{
    std::vector<RecordId> ids;
    for (const Entry& entry : m_entries)
        ids.push_back(entry.id);
    return ids;
}

void DownloadNotifier::raiseSoon()
{
    // A burst of downloads announced together makes one Notify call.
    if (m_raiseQueued)
        return;
    m_raiseQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_raiseQueued = false;
            raise();
        },
        Qt::QueuedConnection);
}

void DownloadNotifier::raise()
{
    // One call at a time: a second one before the first id is known would
    // stack a notification instead of replacing it.
    if (m_raising) {
        m_raiseAgain = true;
        return;
    }
    if (m_entries.empty())
        return;
    m_raising = true;
    m_client.capabilities()
        .then(this,
              [this](const QStringList& capabilities) {
                  return m_client.notify(content(capabilities));
              })
        .unwrap()
        .then(this, [this](uint id) { raised(id); });
}

void DownloadNotifier::raised(uint id)
{
    m_raising = false;
    if (id == 0) {
        // No server took it: the files are answered another way, or wait in the popover.
        const std::vector<Entry> entries = takeEntries();
        qCInfo(lcApp).noquote() << QStringLiteral(
            "No desktop notification server answered; new downloads wait in Vantle's list");
        for (const Entry& entry : entries) {
            if (m_services.fallback)
                m_services.fallback(entry.id);
        }
        return;
    }
    m_id = id;
    if (m_entries.empty()) {
        withdraw();
        return;
    }
    Q_EMIT notificationChanged();
    if (std::exchange(m_raiseAgain, false))
        raise();
}

NotificationsClient::Notification DownloadNotifier::content(const QStringList& capabilities) const
{
    QStringList names;
    for (const Entry& entry : m_entries) {
        if (names.size() == namesListed)
            break;
        names.append(NotificationsClient::bodyText(entry.fileName, capabilities));
    }
    const int count = int(m_entries.size());
    if (count > namesListed)
        names.append(QStringLiteral("and %1 more").arg(count - namesListed));

    NotificationsClient::Notification notification;
    notification.replacesId = m_id;
    notification.summary =
        count == 1 ? QStringLiteral("New download") : QStringLiteral("%1 new downloads").arg(count);
    notification.body = names.join(QLatin1Char('\n'));
    if (capabilities.contains(QStringLiteral("actions"))) {
        notification.actions = {markTemporaryKey, QStringLiteral("Mark as Temporary"), keepKey,
                                QStringLiteral("Keep")};
        if (m_services.openMove)
            notification.actions << moveKey << QStringLiteral("Move…");
    }
    // A click on the notification itself opens the list, where every file can be answered.
    notification.actions << defaultKey << QStringLiteral("Show Downloads");
    notification.hints = {{QStringLiteral("desktop-entry"), QStringLiteral("app.vantle.Vantle")},
                          {QStringLiteral("category"), QStringLiteral("transfer.complete")}};
    return notification;
}

void DownloadNotifier::recheck()
{
    if (m_entries.empty())
        return;
    // A save during the look may answer a file the look already passed.
    if (m_recheckQueued) {
        m_recheckAgain = true;
        return;
    }
    m_recheckQueued = true;
    const std::vector<RecordId> asked = pending();
    m_services.store
        .perform<std::vector<RecordId>>([asked](TrackedFileActor::Context& context) {
            std::vector<RecordId> answered;
            for (RecordId id : asked) {
                const TrackedFile* record = context.fetchRecord(id);
                if (!record || record->state != FileState::unprocessed)
                    answered.push_back(id);
            }
            return answered;
        })
        .then(this, [this](const std::vector<RecordId>& answered) {
            m_recheckQueued = false;
            if (std::exchange(m_recheckAgain, false))
                recheck();
            if (answered.empty())
                return;
            std::erase_if(m_entries, [&](const Entry& entry) {
                return std::find(answered.begin(), answered.end(), entry.id) != answered.end();
            });
            if (m_entries.empty())
                withdraw();
            else
                raise(); // the rest, in its place
        });
}

void DownloadNotifier::withdraw()
{
    // While the call is on its way, its answer withdraws it.
    if (m_id == 0)
        return;
    m_client.close(std::exchange(m_id, 0u));
    Q_EMIT notificationChanged();
}

std::vector<DownloadNotifier::Entry> DownloadNotifier::takeEntries()
{
    std::vector<Entry> entries = std::move(m_entries);
    m_entries.clear();
    return entries;
}

void DownloadNotifier::onAction(uint id, const QString& key)
{
    if (id == 0 || id != m_id)
        return;
    const std::vector<Entry> entries = takeEntries();
    // Servers close a notification whose action was taken, unless it is resident.
    withdraw();
    if (key == markTemporaryKey) {
        markTemporary(entries);
        return;
    }
    std::vector<RecordId> ids;
    for (const Entry& entry : entries)
        ids.push_back(entry.id);
    if (key == keepKey) {
        for (RecordId record : ids)
            m_services.store.keep(record);
    } else if (key == moveKey && m_services.openMove) {
        m_services.openMove(ids);
    } else {
        // The list shows them among the kept files, where each can be answered.
        for (RecordId record : ids)
            m_services.store.settle(record);
        if (m_services.showPopover)
            m_services.showPopover();
    }
}

void DownloadNotifier::markTemporary(const std::vector<Entry>& entries)
{
    for (const Entry& entry : entries) {
        expiry::markTemporary(m_services.store, m_services.cleanup, entry.id)
            .then(this, [this, name = entry.fileName](const MarkedExpiry& at) {
                if (!at.error.isEmpty())
                    tellFailure(QStringLiteral("Couldn't mark “") + name +
                                QStringLiteral("” temporary: ") + at.error);
            });
    }
}

void DownloadNotifier::tellFailure(const QString& text)
{
    NotificationsClient::Notification notification;
    notification.summary = QStringLiteral("Vantle");
    notification.body = text;
    m_client.notify(notification);
}

void DownloadNotifier::onClosed(uint id, uint /*reason*/)
{
    if (id == 0 || id != m_id)
        return;
    // Dismissed, expired or closed by another program, unanswered: as when the toast's countdown
    // ends.
    m_id = 0;
    for (const Entry& entry : takeEntries())
        m_services.store.settle(entry.id);
    Q_EMIT notificationChanged();
}
