// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverModel.h"

#include "expiry/CleanupService.h"
#include "expiry/MarkTemporary.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/PoolWork.h"
#include "popover/RecentlyTrashed.h"
#include "store/DownloadOrigin.h"
#include "store/TrackedFileActor.h"

PopoverModel::PopoverModel(TrackedFileActor& store, CleanupService& cleanup,
                           RecentlyTrashed* restores, QObject* parent)
    : QObject(parent), m_store(store), m_cleanup(cleanup)
{
    // A restore saves the file's record before the file is back, so the read
    // that save brings may not find it yet: its arrival asks for another.
    if (restores)
        connect(restores, &RecentlyTrashed::restored, this, [this] { m_reading.changed(); });
    // The store notifies from its own thread; the queue brings it here.
    connect(
        &m_store, &TrackedFileActor::changed, this, [this] { m_reading.changed(); },
        Qt::QueuedConnection);
    // A refused file's record does not change: the refusal itself is news.
    connect(
        &m_cleanup, &CleanupService::trashFailed, this, [this] { m_reading.changed(); },
        Qt::QueuedConnection);
}

void PopoverModel::setFollowing(bool following)
{
    if (!following)
        m_failures.clear();
    m_reading.setFollowing(following);
}

void PopoverModel::reload()
{
    m_reading.request();
}

namespace {

PopoverLists listsOf(std::vector<TrackedFile> records, const RecordTrash& trash,
                     const QHash<RecordId, QString>& refusals)
{
    // Only an item directly inside Downloads that is still the record's own.
    PopoverLists lists = popoverlists::derive(
        std::move(records),
        [&trash](const TrackedFile& r) {
            return trash.isRecordablePath(r.filePath) && fs::holdsItem(r.filePath, r.inode);
        },
        [](const TrackedFile& r) { return downloadorigin::of(r.filePath); });
    for (const TrackedFile& file : lists.temporaryFiles) {
        if (refusals.contains(file.id))
            lists.trashRefusals.insert(file.id, refusals.value(file.id));
    }
    return lists;
}

} // namespace

void PopoverModel::read()
{
    ++m_reads;
    const RecordTrash* trash = &m_store.recordTrash();
    m_cleanup.trashFailures()
        .then(this,
              [this, trash](QHash<RecordId, QString> refusals) {
                  // The items are looked at on disk, in the pool: straight from
                  // the store's answer, without a pass through this thread.
                  return m_store.recordsNewestFirst()
                      .then([trash, refusals](std::vector<TrackedFile> records) {
                          return runInPool<PopoverLists>(
                              *QThreadPool::globalInstance(),
                              [trash, refusals, records = std::move(records)]() mutable {
                                  return listsOf(std::move(records), *trash, refusals);
                              });
                      })
                      .unwrap();
              })
        .unwrap()
        .then(this,
              [this](PopoverLists lists) {
                  m_lists = std::move(lists);
                  m_lists.actionFailures = m_failures;
                  m_hasRead = true;
                  VANTLE_DIAG(lcApp, m_lists.logLine);
                  Q_EMIT listsChanged();
                  m_reading.finished();
              })
        // The store or the cleanup service is shutting down.
        .onCanceled(this, [this] { m_reading.finished(true); });
}

void PopoverModel::setFailure(RecordId id, const QString& failure)
{
    if (failure.isEmpty() ? !m_failures.remove(id) : m_failures.value(id) == failure)
        return;
    if (!failure.isEmpty())
        m_failures.insert(id, failure);
    m_lists.actionFailures = m_failures;
    Q_EMIT listsChanged();
}

void PopoverModel::keep(RecordId id)
{
    setFailure(id, {});
    m_store.keep(id);
}

void PopoverModel::keepAll()
{
    // The list as shown when clicked, in its order.
    for (const TrackedFile& file : m_lists.temporaryFiles)
        m_store.keep(file.id);
}

void PopoverModel::deleteNow(RecordId id)
{
    setFailure(id, {});
    m_store.deleteNow(id).then(this, [this, id](const RecordTrash::Result& result) {
        if (result.outcome == RecordTrash::Outcome::failed ||
            result.outcome == RecordTrash::Outcome::refused)
            setFailure(id, QStringLiteral("Couldn’t delete: ") + result.detail);
    });
}

void PopoverModel::markTemporary(RecordId id)
{
    setFailure(id, {});
    expiry::markTemporary(m_store, m_cleanup, id).then(this, [this, id](const MarkedExpiry& at) {
        if (!at.error.isEmpty())
            setFailure(id, QStringLiteral("Couldn’t mark: ") + at.error);
    });
}

void PopoverModel::setPinned(RecordId id, bool pinned)
{
    setFailure(id, {});
    m_store.setPinned(id, pinned).then(this, [this, id, pinned](const QString& error) {
        if (!error.isEmpty())
            setFailure(id, (pinned ? QStringLiteral("Couldn’t pin: ")
                                   : QStringLiteral("Couldn’t unpin: ")) +
                               error);
    });
}

void PopoverModel::extendExpiry(RecordId id, double seconds)
{
    setFailure(id, {});
    expiry::extendExpiry(m_store, m_cleanup, id, seconds)
        .then(this, [this, id](const MarkedExpiry& at) {
            if (!at.error.isEmpty())
                setFailure(id, QStringLiteral("Couldn’t extend: ") + at.error);
        });
}
