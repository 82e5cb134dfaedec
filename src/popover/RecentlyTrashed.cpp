// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/RecentlyTrashed.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/PoolWork.h"
#include "platform/PostedCalls.h"
#include "store/BringBack.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QSet>

namespace {

using Entry = TrashJournal::Entry;

// What can come back: still in the Trash as it was sent, and only ever into
// the Downloads folder as it is now.
std::vector<Entry> listNow(const RecordTrash& trash, const QSet<QString>& onlyAt = {})
{
    std::vector<Entry> files = trash.journal().stillTrashed(*trash.trashBin(), onlyAt);
    std::erase_if(files,
                  [&](const Entry& file) { return !trash.isRecordablePath(file.originalPath); });
    return files;
}

// The place in the Trash names one file; a path or a name, the newest of them.
std::optional<Entry> find(const std::vector<Entry>& files, const QString& wanted)
{
    const std::function<QString(const Entry&)> keys[] = {
        [](const Entry& file) { return file.location; },
        [](const Entry& file) { return file.originalPath; },
        [](const Entry& file) { return QFileInfo(file.originalPath).fileName(); },
    };
    for (const auto& key : keys) {
        for (const Entry& file : files) {
            if (key(file) == wanted)
                return file;
        }
    }
    return std::nullopt;
}

} // namespace

RestoreOutcome RecentlyTrashed::restoreNow(TrackedFileActor& store, const QString& wanted)
{
    return restoreAllNow(store, {wanted}).front();
}

std::vector<RestoreOutcome> RecentlyTrashed::restoreAllNow(TrackedFileActor& store,
                                                           const QStringList& wanted)
{
    const RecordTrash& trash = store.recordTrash();
    // Places in the Trash are checked alone, in one read of the journal: a
    // batch costs one check per item, not one per entry of the journal.
    QHash<QString, Entry> atPlaces;
    for (Entry& entry : listNow(trash, QSet<QString>(wanted.begin(), wanted.end())))
        atPlaces.insert(entry.location, std::move(entry));
    std::optional<std::vector<Entry>> everything; // read once, when a path or a name is asked
    std::vector<bringback::Item> items;
    std::vector<std::size_t> itemOf(wanted.size(), std::size_t(-1));
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        std::optional<Entry> file;
        if (const auto at = atPlaces.constFind(wanted[i]); at != atPlaces.cend())
            file = *at;
        if (!file) {
            if (!everything)
                everything = listNow(trash);
            file = find(*everything, wanted[i]);
        }
        if (!file) {
            VANTLE_DIAG(lcStore, QStringLiteral("Restore: no trashed file %1").arg(wanted[i]));
            continue;
        }
        itemOf[i] = items.size();
        items.push_back({file->location, file->originalPath, file->inode});
    }
    const std::shared_ptr<Trash>& bin = trash.trashBin();
    const std::vector<RestoreOutcome> back =
        bringback::all(store, items, [&bin](const QString& location, const QString& target) {
            return bin->putBack(location, target);
        });
    std::vector<RestoreOutcome> outcomes;
    outcomes.reserve(wanted.size());
    for (const std::size_t index : itemOf) {
        if (index == std::size_t(-1) || back[index].notInTrash)
            outcomes.push_back({{}, QStringLiteral("it is no longer in the Trash"), true});
        else
            outcomes.push_back(back[index]);
    }
    return outcomes;
}

RecentlyTrashed::RecentlyTrashed(TrackedFileActor& store, QObject* parent)
    : QObject(parent), m_store(store)
{
    m_work.setObjectName(QStringLiteral("RecentlyTrashed"));
    m_work.setMaxThreadCount(1);
    // The store notifies from its own thread; the queue brings it here.
    connect(
        &m_store, &TrackedFileActor::changed, this, [this] { m_reads.changed(); },
        Qt::QueuedConnection);
}

RecentlyTrashed::~RecentlyTrashed()
{
    shutdown();
}

void RecentlyTrashed::shutdown()
{
    m_stopped = true;
    m_work.waitForDone();
    // The answers of the jobs that ended reach this object while it exists.
    deliverPostedCalls(this);
}

QFuture<std::vector<Entry>> RecentlyTrashed::recentlyTrashed()
{
    return runInPool<std::vector<Entry>>(
        m_work, [&trash = m_store.recordTrash()] { return listNow(trash); });
}

QFuture<RestoreOutcome> RecentlyTrashed::restore(const QString& nameOrLocation)
{
    m_failures.remove(nameOrLocation);
    if (m_stopped)
        return QtFuture::makeReadyFuture(RestoreOutcome{{}, QStringLiteral("Vantle is stopping")});
    return runInPool<RestoreOutcome>(
               m_work,
               [&store = m_store, nameOrLocation] { return restoreNow(store, nameOrLocation); })
        .then(this, [this, nameOrLocation](RestoreOutcome outcome) {
            if (!outcome.restored())
                m_failures.insert(nameOrLocation, outcome.error);
            else
                Q_EMIT restored(outcome.path);
            // Also when nothing moved: the list shows what the Trash holds,
            // and the row why its file stayed.
            m_reads.changed();
            return outcome;
        });
}

void RecentlyTrashed::setFollowing(bool following)
{
    if (!following)
        m_failures.clear();
    m_reads.setFollowing(following);
}

void RecentlyTrashed::reload()
{
    if (m_stopped) {
        m_reads.finished(true);
        return;
    }
    recentlyTrashed()
        .then(this,
              [this](std::vector<Entry> files) {
                  m_files = std::move(files);
                  Q_EMIT filesChanged();
                  m_reads.finished();
              })
        .onCanceled(this, [this] { m_reads.finished(true); });
}
