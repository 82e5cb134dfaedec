// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Serial.h"
#include "platform/Trash.h"
#include "store/MarkedExpiry.h"
#include "store/ModelContext.h"
#include "store/RecordTrash.h"
#include "store/TrackedFile.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The one serial owner of the records. Every operation runs on the actor's own
// thread, one at a time, in arrival order; callers get plain values back
// through futures and never block on it from the main thread.
class TrackedFileActor : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString storePath;                       // the SQLite file
        std::shared_ptr<Trash> trash;            // where records' items are sent
        QString downloadsPath;                   // the only folder items are trashed from
        std::function<double()> defaultInterval; // seconds, for markTemporary without one
        std::function<QDateTime()> clock;        // defaults to the system's UTC clock
        int busyTimeoutMs = 2000;                // how long a save waits for another writer
    };

    // Opens or creates the store. On failure returns nothing and `error` says why.
    static std::unique_ptr<TrackedFileActor> open(Options options, QString* error);
    ~TrackedFileActor() override;

    // Lookups.
    QFuture<std::optional<std::uint64_t>> activeInode(const QString& path);
    QFuture<std::vector<PendingExpiry>> temporaryExpirations();
    QFuture<std::vector<ExpiredItem>> fetchExpired();
    QFuture<std::vector<RecordSummary>> allRecords();
    // Copies of every record, newest detection first (the popover's list).
    QFuture<std::vector<TrackedFile>> recordsNewestFirst();
    QFuture<std::optional<TrackedFile>> record(RecordId id);

    // Mutations; each saves once at its end.
    QFuture<RecordId> insertRecord(std::uint64_t inode, const QString& filePath,
                                   const QString& fileName, std::int64_t fileSize);
    QFuture<void> updatePath(std::uint64_t inode, const QString& filePath, const QString& fileName);
    QFuture<void> replaceInode(std::uint64_t oldInode, std::uint64_t newInode,
                               const QString& filePath, const QString& fileName,
                               std::int64_t fileSize);
    QFuture<void> removeByInode(std::uint64_t inode);
    // The expiry; none when the record is gone, or, with the reason, when
    // the change could not be saved (the record is then left as it was).
    QFuture<MarkedExpiry> markTemporary(RecordId id, std::optional<double> interval = {});
    // Pushes a temporary record's expiry `seconds` past the later of now and
    // its current expiry; the new expiry, or none when the record is not
    // temporary or, with the reason, when the change could not be saved.
    QFuture<MarkedExpiry> extendExpiry(RecordId id, double seconds);
    // The user's "Keep": the record is kept, whatever it was, and its mark goes.
    QFuture<void> keep(RecordId id);
    // "Keep forever" (or its undoing): no tidy rule takes a pinned record's
    // item. The error when the change could not be saved; it is then undone.
    QFuture<QString> setPinned(RecordId id, bool pinned);
    // A toast ended without an answer: a record still unprocessed is kept; one
    // the user answered meanwhile (marked, kept) stays as it is.
    QFuture<void> settle(RecordId id);
    QFuture<void> deleteRecord(RecordId id);
    // Moves the record's item to the Trash and deletes the record; the future
    // finishes once the Trash has answered. Other operations run meanwhile.
    // When the Trash refuses, the item and its record stay as they were.
    QFuture<RecordTrash::Result> deleteNow(RecordId id);

    // The one road from a record to the Trash, for every service that trashes.
    const RecordTrash& recordTrash() const { return m_recordTrash; }

    // Writes whatever is pending; true when nothing is left pending.
    QFuture<bool> save();

    // A block of work run on the actor with its model context, for services
    // that combine lookups and mutations in one step.
    class Context;
    template <typename T, typename F> QFuture<T> perform(F&& work);

    // Saves what is pending and stops the actor's thread (at exit).
    void shutdown();

Q_SIGNALS:
    // Emitted on the actor's thread after every save that wrote changes.
    void changed();
    // Records went (their item left, was trashed or was replaced); emitted on
    // the actor's thread at the save that follows, written or not.
    void recordsRemoved(const QList<RecordId>& ids);

private:
    TrackedFileActor(Options options, std::unique_ptr<ModelContext> context);
    QDateTime now() const { return m_options.clock(); }
    // Saves; returns the error on failure and notifies on success.
    std::optional<QString> saveContext();
    const TrackedFile* fetchByInode(std::uint64_t inode) const;
    const TrackedFile* fetchRecord(RecordId id) const;
    // The mutations' bodies, without the save.
    RecordId insertNow(std::uint64_t inode, const QString& filePath, const QString& fileName,
                       std::int64_t fileSize, FileState state);
    void updatePathNow(std::uint64_t inode, const QString& filePath, const QString& fileName);
    void replaceInodeNow(std::uint64_t oldInode, std::uint64_t newInode, const QString& filePath,
                         const QString& fileName, std::int64_t fileSize);
    void removeByInodeNow(std::uint64_t inode);
    // Puts a record's lifetime back after its change could not be saved.
    MarkedExpiry undoUnsaved(const TrackedFile& before, const QString& error);

    Options m_options;
    RecordTrash m_recordTrash;
    std::unique_ptr<ModelContext> m_context;
    QThreadPool m_trashWork; // trashing runs beside the actor, never on it
    std::unique_ptr<ServiceThread> m_thread;

    friend class Context;
};

// What a `perform` block may use: the actor's lookups and mutations, run
// synchronously on the actor's thread; nothing is saved until `save`.
class TrackedFileActor::Context {
public:
    explicit Context(TrackedFileActor& actor) : m_actor(actor) {}
    RecordId insertRecord(std::uint64_t inode, const QString& filePath, const QString& fileName,
                          std::int64_t fileSize, FileState state)
    {
        return m_actor.insertNow(inode, filePath, fileName, fileSize, state);
    }
    void updatePath(std::uint64_t inode, const QString& filePath, const QString& fileName)
    {
        m_actor.updatePathNow(inode, filePath, fileName);
    }
    void replaceInode(std::uint64_t oldInode, std::uint64_t newInode, const QString& filePath,
                      const QString& fileName, std::int64_t fileSize)
    {
        m_actor.replaceInodeNow(oldInode, newInode, filePath, fileName, fileSize);
    }
    void removeByInode(std::uint64_t inode) { m_actor.removeByInodeNow(inode); }
    ModelContext& model() { return *m_actor.m_context; }
    const TrackedFile* fetchByInode(std::uint64_t inode) const
    {
        return m_actor.fetchByInode(inode);
    }
    const TrackedFile* fetchRecord(RecordId id) const { return m_actor.fetchRecord(id); }
    // The newest record at exactly this path, found through the path index.
    const TrackedFile* fetchNewestAt(const QString& path) const
    {
        return m_actor.m_context->findNewestAt(path);
    }
    std::optional<QString> save() { return m_actor.saveContext(); }
    QDateTime now() const { return m_actor.now(); }

private:
    TrackedFileActor& m_actor;
};

template <typename T, typename F> QFuture<T> TrackedFileActor::perform(F&& work)
{
    return runSerial<T>(this, [this, work = std::forward<F>(work)]() mutable {
        Context context(*this);
        return work(context);
    });
}
