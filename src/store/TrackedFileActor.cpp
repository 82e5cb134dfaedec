// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrackedFileActor.h"

#include "platform/FileSystem.h"
#include "platform/Formatters.h"
#include "platform/Log.h"
#include "platform/PoolWork.h"
#include "store/Tags.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace {

// The longest lifetime a file can be given, about 3,000 years: enough for
// any typed duration, short of the date arithmetic's limits.
constexpr double maximumIntervalSeconds = 1e11;

} // namespace

std::unique_ptr<TrackedFileActor> TrackedFileActor::open(Options options, QString* error)
{
    auto context = ModelContext::open(options.storePath, options.busyTimeoutMs, error);
    if (!context)
        return nullptr;
    if (!options.clock)
        options.clock = [] { return QDateTime::currentDateTimeUtc(); };
    if (!options.defaultInterval)
        options.defaultInterval = [] { return 3600.0; };
    if (!options.trash)
        options.trash = makeSystemTrash();
    return std::unique_ptr<TrackedFileActor>(
        new TrackedFileActor(std::move(options), std::move(context)));
}

TrackedFileActor::TrackedFileActor(Options options, std::unique_ptr<ModelContext> context)
    : m_options(std::move(options)), m_recordTrash(m_options.trash, m_options.downloadsPath,
                                                   TrashJournal::besideStore(m_options.storePath)),
      m_context(std::move(context))
{
    m_thread = std::make_unique<ServiceThread>(this, "TrackedFileActor");
}

TrackedFileActor::~TrackedFileActor()
{
    shutdown();
}

void TrackedFileActor::shutdown()
{
    if (!m_thread)
        return;
    m_trashWork.waitForDone();
    save().waitForFinished();
    m_thread->stop();
    m_thread.reset();
}

std::optional<QString> TrackedFileActor::saveContext()
{
    const bool hadChanges = m_context->hasChanges();
    auto error = m_context->save();
    if (!error && hadChanges)
        Q_EMIT changed();
    if (QList<RecordId> gone = m_context->takeRemoved(); !gone.isEmpty())
        Q_EMIT recordsRemoved(gone);
    return error;
}

const TrackedFile* TrackedFileActor::fetchByInode(std::uint64_t inode) const
{
    return m_context->findByInode(inode);
}

const TrackedFile* TrackedFileActor::fetchRecord(RecordId id) const
{
    return m_context->find(id);
}

QFuture<std::optional<std::uint64_t>> TrackedFileActor::activeInode(const QString& path)
{
    return runSerial<std::optional<std::uint64_t>>(
        this, [this, path] { return m_context->activeInodeAt(path); });
}

QFuture<std::vector<PendingExpiry>> TrackedFileActor::temporaryExpirations()
{
    return runSerial<std::vector<PendingExpiry>>(this, [this] {
        std::vector<PendingExpiry> pending;
        for (const auto& [key, record] : m_context->records()) {
            if (record.state == FileState::temporary && record.expiresAt)
                pending.push_back({record.id, *record.expiresAt});
        }
        return pending;
    });
}

QFuture<std::vector<ExpiredItem>> TrackedFileActor::fetchExpired()
{
    return runSerial<std::vector<ExpiredItem>>(this, [this] {
        const QDateTime current = now();
        std::vector<ExpiredItem> expired;
        for (const auto& [key, record] : m_context->records()) {
            // A temporary record without an expiry never expires.
            if (record.state == FileState::temporary && record.expiresAt &&
                *record.expiresAt <= current)
                expired.push_back({record.filePath, record.inode, record.id});
        }
        return expired;
    });
}

QFuture<std::vector<RecordSummary>> TrackedFileActor::allRecords()
{
    return runSerial<std::vector<RecordSummary>>(this, [this] {
        std::vector<RecordSummary> summaries;
        summaries.reserve(m_context->records().size());
        for (const auto& [key, record] : m_context->records())
            summaries.push_back({record.filePath, record.inode, record.state, record.id});
        return summaries;
    });
}

QFuture<std::vector<TrackedFile>> TrackedFileActor::recordsNewestFirst()
{
    return runSerial<std::vector<TrackedFile>>(this, [this] {
        std::vector<TrackedFile> list;
        list.reserve(m_context->records().size());
        for (const auto& [key, record] : m_context->records())
            list.push_back(record);
        std::stable_sort(list.begin(), list.end(), [](const TrackedFile& a, const TrackedFile& b) {
            return a.detectedAt > b.detectedAt;
        });
        return list;
    });
}

QFuture<std::optional<TrackedFile>> TrackedFileActor::record(RecordId id)
{
    return runSerial<std::optional<TrackedFile>>(this, [this, id]() -> std::optional<TrackedFile> {
        if (const TrackedFile* found = fetchRecord(id))
            return *found;
        return std::nullopt;
    });
}

RecordId TrackedFileActor::insertNow(std::uint64_t inode, const QString& filePath,
                                     const QString& fileName, std::int64_t fileSize,
                                     FileState state)
{
    TrackedFile record(inode, filePath, fileName, fileSize, now());
    record.state = state;
    return m_context->insert(std::move(record));
}

void TrackedFileActor::updatePathNow(std::uint64_t inode, const QString& filePath,
                                     const QString& fileName)
{
    if (const TrackedFile* record = fetchByInode(inode)) {
        m_context->update(record->id, [&](TrackedFile& r) {
            r.filePath = filePath;
            r.fileName = fileName;
        });
    }
}

void TrackedFileActor::replaceInodeNow(std::uint64_t oldInode, std::uint64_t newInode,
                                       const QString& filePath, const QString& fileName,
                                       std::int64_t fileSize)
{
    const TrackedFile* record = fetchByInode(oldInode);
    if (!record)
        return;
    const QDateTime current = now();
    m_context->update(record->id, [&](TrackedFile& r) {
        r.inode = newInode;
        r.filePath = filePath;
        r.fileName = fileName;
        r.fileSize = fileSize;
        r.inodeSince = current;
    });
    // The mark passes to the new item, so that the file manager shows it.
    if (record->state == FileState::temporary)
        tags::addTag(filePath);
}

void TrackedFileActor::removeByInodeNow(std::uint64_t inode)
{
    if (const TrackedFile* record = fetchByInode(inode)) {
        tags::removeTag(record->filePath, record->inode);
        m_context->remove(record->id);
    }
}

QFuture<RecordId> TrackedFileActor::insertRecord(std::uint64_t inode, const QString& filePath,
                                                 const QString& fileName, std::int64_t fileSize)
{
    return runSerial<RecordId>(this, [=, this] {
        const RecordId id = insertNow(inode, filePath, fileName, fileSize, FileState::unprocessed);
        saveContext();
        return id;
    });
}

QFuture<void> TrackedFileActor::updatePath(std::uint64_t inode, const QString& filePath,
                                           const QString& fileName)
{
    return runSerial<void>(this, [=, this] {
        updatePathNow(inode, filePath, fileName);
        saveContext();
    });
}

QFuture<void> TrackedFileActor::replaceInode(std::uint64_t oldInode, std::uint64_t newInode,
                                             const QString& filePath, const QString& fileName,
                                             std::int64_t fileSize)
{
    return runSerial<void>(this, [=, this] {
        replaceInodeNow(oldInode, newInode, filePath, fileName, fileSize);
        saveContext();
    });
}

QFuture<void> TrackedFileActor::removeByInode(std::uint64_t inode)
{
    return runSerial<void>(this, [=, this] {
        removeByInodeNow(inode);
        saveContext();
    });
}

QFuture<MarkedExpiry> TrackedFileActor::markTemporary(RecordId id, std::optional<double> interval)
{
    return runSerial<MarkedExpiry>(this, [=, this]() -> MarkedExpiry {
        const TrackedFile* record = fetchRecord(id);
        if (!record) {
            VANTLE_DIAG(lcStore,
                        QStringLiteral("markTemporary: NO RECORD for id=") + id.description());
            return std::nullopt;
        }
        const TrackedFile before = *record;
        const QDateTime marked = now();
        double seconds = interval.value_or(m_options.defaultInterval());
        seconds = std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, maximumIntervalSeconds);
        const QDateTime expiry = now().addMSecs(qint64(seconds * 1000.0));
        m_context->update(id, [&](TrackedFile& r) {
            r.state = FileState::temporary;
            r.markedTemporaryAt = marked;
            r.expiresAt = expiry;
        });
        const auto error = saveContext();
        VANTLE_DIAG(lcStore,
                    QStringLiteral("markTemporary: ") + before.fileName +
                        QStringLiteral(" prior=") + rawValue(before.state) +
                        QStringLiteral(" -> temporary, expires=") + diagnosticDate(expiry) +
                        QStringLiteral(", save=") +
                        (error ? QStringLiteral("FAIL: ") + *error : QStringLiteral("ok")));
        if (error)
            return undoUnsaved(before, *error);
        tags::addTag(before.filePath);
        return expiry;
    });
}

QFuture<MarkedExpiry> TrackedFileActor::extendExpiry(RecordId id, double seconds)
{
    return runSerial<MarkedExpiry>(this, [=, this]() -> MarkedExpiry {
        const TrackedFile* record = fetchRecord(id);
        if (!record || record->state != FileState::temporary)
            return std::nullopt;
        const TrackedFile before = *record;
        const double clamped =
            std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, maximumIntervalSeconds);
        // Counted from now when the expiry has passed (the Trash refused the
        // file, the machine slept): more time never means gone at once.
        const QDateTime current = now();
        const QDateTime from = std::max(record->expiresAt.value_or(current), current);
        const QDateTime expiry = from.addMSecs(qint64(clamped * 1000.0));
        m_context->update(id, [&](TrackedFile& r) { r.expiresAt = expiry; });
        const auto error = saveContext();
        VANTLE_DIAG(lcStore,
                    QStringLiteral("extendExpiry: ") + before.fileName +
                        QStringLiteral(" expires=") + diagnosticDate(expiry) +
                        QStringLiteral(", save=") +
                        (error ? QStringLiteral("FAIL: ") + *error : QStringLiteral("ok")));
        if (error)
            return undoUnsaved(before, *error);
        return expiry;
    });
}

MarkedExpiry TrackedFileActor::undoUnsaved(const TrackedFile& before, const QString& error)
{
    // A lifetime the user was told had failed must not arrive with a later
    // save: the record goes back to what was saved.
    m_context->update(before.id, [&](TrackedFile& r) {
        r.state = before.state;
        r.markedTemporaryAt = before.markedTemporaryAt;
        r.expiresAt = before.expiresAt;
    });
    return MarkedExpiry::failed(QStringLiteral("the store could not save it (%1)").arg(error));
}

QFuture<void> TrackedFileActor::keep(RecordId id)
{
    return runSerial<void>(this, [=, this] {
        const TrackedFile* record = fetchRecord(id);
        if (!record)
            return;
        const QString path = record->filePath;
        m_context->update(id, [](TrackedFile& r) { r.state = FileState::dismissed; });
        saveContext();
        tags::removeTag(path);
    });
}

QFuture<QString> TrackedFileActor::setPinned(RecordId id, bool pinned)
{
    return runSerial<QString>(this, [=, this] {
        const TrackedFile* record = fetchRecord(id);
        if (!record || record->pinned == pinned)
            return QString();
        m_context->update(id, [pinned](TrackedFile& r) { r.pinned = pinned; });
        const std::optional<QString> error = saveContext();
        if (!error)
            return QString();
        // A pin the store cannot keep is not shown as kept.
        m_context->update(id, [pinned](TrackedFile& r) { r.pinned = !pinned; });
        return QStringLiteral("the store could not save it (%1)").arg(*error);
    });
}

QFuture<void> TrackedFileActor::settle(RecordId id)
{
    return runSerial<void>(this, [=, this] {
        const TrackedFile* record = fetchRecord(id);
        if (!record || record->state != FileState::unprocessed)
            return;
        m_context->update(id, [](TrackedFile& r) { r.state = FileState::dismissed; });
        saveContext();
    });
}

QFuture<void> TrackedFileActor::deleteRecord(RecordId id)
{
    return runSerial<void>(this, [=, this] {
        const TrackedFile* record = fetchRecord(id);
        if (!record)
            return;
        tags::removeTag(record->filePath, record->inode);
        m_context->remove(id);
        saveContext();
    });
}

QFuture<RecordTrash::Result> TrackedFileActor::deleteNow(RecordId id)
{
    using Result = RecordTrash::Result;
    const serial::Promise<Result> promise;
    QFuture<Result> future = promise.future();
    postSerial(this, [this, id, promise] {
        const TrackedFile* record = fetchRecord(id);
        if (!record) {
            promise.finish(Result{});
            return;
        }
        // The Trash may take a while (another volume); the actor goes on meanwhile.
        startInPool(m_trashWork,
                    [this, id, path = record->filePath, inode = record->inode, promise] {
                        const Result result = m_recordTrash.trash(path, inode);
                        if (result.outcome == RecordTrash::Outcome::failed)
                            VANTLE_DIAG(lcStore, QStringLiteral("deleteNow: recycle failed for ") +
                                                     QFileInfo(path).fileName() +
                                                     QStringLiteral(": ") + result.detail);
                        else
                            deleteRecord(id);
                        promise.finish(result);
                    });
    });
    return future;
}

QFuture<bool> TrackedFileActor::save()
{
    return runSerial<bool>(this, [this] { return !saveContext().has_value(); });
}
