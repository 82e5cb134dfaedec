// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverModel.h"

#include "expiry/CleanupService.h"
#include "expiry/MarkTemporary.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "store/DownloadOrigin.h"
#include "store/TrackedFileActor.h"

PopoverModel::PopoverModel(TrackedFileActor& store, CleanupService& cleanup, QObject* parent)
    : QObject(parent), m_store(store), m_cleanup(cleanup)
{
    // The store notifies from its own thread; the queue brings it here.
    connect(&m_store, &TrackedFileActor::changed, this, &PopoverModel::storeChanged,
            Qt::QueuedConnection);
    // A refused file's record does not change: the refusal itself is news.
    connect(&m_cleanup, &CleanupService::trashFailed, this, &PopoverModel::storeChanged,
            Qt::QueuedConnection);
}

void PopoverModel::setFollowing(bool following)
{
    m_following = following;
    if (following)
        reload();
}

void PopoverModel::storeChanged()
{
    if (m_following)
        reload();
}

void PopoverModel::reload()
{
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    ++m_reads;
    const RecordTrash* trash = &m_store.recordTrash();
    TrackedFileActor* store = &m_store;
    m_cleanup.trashFailures()
        .then(this,
              [store](QHash<RecordId, QString> refusals) {
                  return store->recordsNewestFirst().then(
                      QtFuture::Launch::Async, [refusals](std::vector<TrackedFile> records) {
                          return std::pair(std::move(records), refusals);
                      });
              })
        .unwrap()
        .then(QtFuture::Launch::Async,
              [trash](std::pair<std::vector<TrackedFile>, QHash<RecordId, QString>> read) {
                  // Only an item directly inside Downloads that is still the record's own.
                  PopoverLists lists = popoverlists::derive(
                      std::move(read.first),
                      [trash](const TrackedFile& r) {
                          return trash->isRecordablePath(r.filePath) &&
                                 fs::holdsItem(r.filePath, r.inode);
                      },
                      [](const TrackedFile& r) { return downloadorigin::of(r.filePath); });
                  for (const TrackedFile& file : lists.temporaryFiles) {
                      if (read.second.contains(file.id))
                          lists.trashRefusals.insert(file.id, read.second.value(file.id));
                  }
                  return lists;
              })
        .then(this,
              [this](PopoverLists lists) {
                  m_reading = false;
                  m_lists = std::move(lists);
                  m_hasRead = true;
                  VANTLE_DIAG(lcApp, m_lists.logLine);
                  Q_EMIT listsChanged();
                  if (m_readAgain) {
                      m_readAgain = false;
                      if (m_following)
                          reload();
                  }
              })
        .onCanceled(this, [this] { m_reading = false; }); // the store is shutting down
}

void PopoverModel::keep(RecordId id)
{
    m_store.dismiss(id);
}

void PopoverModel::keepAll()
{
    // The list as shown when clicked, in its order.
    for (const TrackedFile& file : m_lists.temporaryFiles)
        m_store.dismiss(file.id);
}

void PopoverModel::deleteNow(RecordId id)
{
    m_store.deleteNow(id);
}

void PopoverModel::markTemporary(RecordId id)
{
    expiry::markTemporary(m_store, m_cleanup, id);
}

void PopoverModel::extendExpiry(RecordId id, double seconds)
{
    expiry::extendExpiry(m_store, m_cleanup, id, seconds);
}
