// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "popover/FollowedReads.h"
#include "store/RestoreOutcome.h"
#include "store/TrashJournal.h"

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <optional>
#include <vector>

class TrackedFileActor;

// The files Vantle trashed in the last week that the Trash still holds, and
// the way back for them. Lives on the main thread; the Trash, the journal and
// the renames are dealt with on a thread of its own, one job at a time, so
// that two restores never pick the same free name.
class RecentlyTrashed : public QObject {
    Q_OBJECT
public:
    explicit RecentlyTrashed(TrackedFileActor& store, QObject* parent = nullptr);
    // Waits for the job running.
    ~RecentlyTrashed() override;
    // Lets the job running end and delivers its answer (at exit, before the
    // store stops); no job starts afterwards.
    void shutdown();

    // Newest first.
    QFuture<std::vector<TrashJournal::Entry>> recentlyTrashed();
    // Puts a file Vantle trashed back where it was, named by its place in the
    // Trash, its original path or its name (the newest of that name). Never
    // over an existing item: a taken name becomes "name (2).ext". The file
    // is recorded as kept first, so no toast announces it. Gives the path it
    // is back at, or why it is not.
    QFuture<RestoreOutcome> restore(const QString& nameOrLocation);
    // The same, blocking, for a job that is already off the main thread.
    static RestoreOutcome restoreNow(TrackedFileActor& store, const QString& nameOrLocation);
    // The same for a batch, one outcome for each in order: one read of the
    // journal and one save of the records for the whole batch.
    static std::vector<RestoreOutcome> restoreAllNow(TrackedFileActor& store,
                                                     const QStringList& nameOrLocations);
    // Why the last restore of a file failed, by its place in the Trash,
    // until the list is no longer followed.
    const QHash<QString, QString>& restoreFailures() const { return m_failures; }

    // While following, the list is read now and after each save of the
    // store: one read at a time, and saves meanwhile make one more.
    void setFollowing(bool following);
    const std::vector<TrashJournal::Entry>& files() const { return m_files; }

Q_SIGNALS:
    void filesChanged();
    // A file is back in Downloads, after its record was saved as kept.
    void restored(const QString& path);

private:
    void reload();

    TrackedFileActor& m_store;
    QThreadPool m_work;
    bool m_stopped = false;
    std::vector<TrashJournal::Entry> m_files;
    QHash<QString, QString> m_failures; // by place in the Trash
    FollowedReads m_reads{[this] { reload(); }};
};
