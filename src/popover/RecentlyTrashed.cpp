// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/RecentlyTrashed.h"

#include "move/FileMover.h"
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/FreeName.h"
#include "platform/Log.h"
#include "platform/PostedCalls.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QtConcurrent>

namespace {

// A name taken between choosing it and the rename costs another try; this
// many, then the file stays in the Trash.
constexpr int nameAttempts = 3;

using Entry = TrashJournal::Entry;

template <typename T> std::optional<T> waitFor(QFuture<T> future)
{
    future.waitForFinished();
    if (future.isCanceled() || future.resultCount() == 0)
        return std::nullopt;
    return future.result();
}

// What can come back: still in the Trash as it was sent, and only ever into
// the Downloads folder as it is now.
std::vector<Entry> listNow(const RecordTrash& trash, const QString& onlyAt = {})
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
    const RecordTrash& trash = store.recordTrash();
    // A place in the Trash is checked alone: a batch of restores then costs
    // one check each, not one per entry of the journal.
    std::vector<Entry> files = listNow(trash, wanted);
    if (files.empty())
        files = listNow(trash);
    const std::optional<Entry> file = find(files, wanted);
    const auto item = file ? fs::lstat(file->location) : std::nullopt;
    if (!item) {
        VANTLE_DIAG(lcStore, QStringLiteral("Restore: no trashed file %1").arg(wanted));
        return {{}, QStringLiteral("it is no longer in the Trash"), true};
    }
    const std::uint64_t inode = file->inode;
    QString error;
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        const freename::Result name =
            FileMover::uniqueDestination(file->originalPath, trash.downloadsPath());
        if (!name.found())
            return {{}, name.error};
        const QString target = name.path;
        // Kept before it appears: the watcher then finds its record and
        // announces nothing.
        const auto recorded =
            waitFor(store.perform<bool>([=, size = item->size](TrackedFileActor::Context& context) {
                context.insertRecord(inode, target, QFileInfo(target).fileName(), size,
                                     FileState::dismissed);
                return !context.save();
            }));
        if (!recorded)
            return {{}, QStringLiteral("Vantle is stopping")};
        if (!*recorded)
            VANTLE_DIAG(lcStore, QStringLiteral("Restore: the record of %1 waits for the "
                                                "next save")
                                     .arg(target));
        const auto putBackError = trash.trashBin()->putBack(file->location, target);
        if (!putBackError) {
            VANTLE_DIAG(lcStore, QStringLiteral("Restored %1 to %2").arg(file->location, target));
            return {target, {}};
        }
        error = *putBackError;
        VANTLE_DIAG(
            lcStore,
            QStringLiteral("Restore of %1 to %2 failed: %3").arg(file->location, target, error));
        // It stays in the Trash, so its record goes again.
        waitFor(store.perform<bool>([=](TrackedFileActor::Context& context) {
            const TrackedFile* record = context.fetchByInode(inode);
            if (record && record->filePath == target)
                context.removeByInode(inode);
            return !context.save();
        }));
        if (!filetransfer::occupied(target))
            break; // not a name taken meanwhile: another try would fail alike
    }
    return {{}, error};
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
    return QtConcurrent::run(&m_work, [&trash = m_store.recordTrash()] { return listNow(trash); });
}

QFuture<RestoreOutcome> RecentlyTrashed::restore(const QString& nameOrLocation)
{
    m_failures.remove(nameOrLocation);
    if (m_stopped)
        return QtFuture::makeReadyFuture(RestoreOutcome{{}, QStringLiteral("Vantle is stopping")});
    return QtConcurrent::run(
               &m_work,
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
