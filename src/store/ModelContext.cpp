// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ModelContext.h"

#include "platform/Log.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace {

const char* const createSchema = R"sql(
CREATE TABLE IF NOT EXISTS TrackedFile (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    inode INTEGER NOT NULL UNIQUE,
    filePath TEXT NOT NULL,
    fileName TEXT NOT NULL,
    state TEXT NOT NULL,
    detectedAt REAL NOT NULL,
    markedTemporaryAt REAL,
    expiresAt REAL,
    fileSize INTEGER NOT NULL,
    inodeSince REAL NOT NULL,
    pinned INTEGER NOT NULL DEFAULT 0
);
)sql";

// Each step takes a store from the version before it to its own; a store
// written by an older version goes through every step it has not had.
const char* const migrations[] = {
    nullptr, // version 1: the table as first made
    "ALTER TABLE TrackedFile ADD COLUMN pinned INTEGER NOT NULL DEFAULT 0",
};

// Dates are stored as seconds since the Unix epoch with their milliseconds.
double toSeconds(const QDateTime& date)
{
    return double(date.toMSecsSinceEpoch()) / 1000.0;
}

QDateTime fromSeconds(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0), Qt::UTC);
}

// The dates a record can hold: from 1970 to the end of year 9999.
constexpr double latestSeconds = 253402300799.0;

// A stored date, or nothing when the column holds no readable date in range
// (text, a blob, NaN, 1e300): such a date is never taken for a real one.
std::optional<QDateTime> readDate(const sqlite::Statement& row, int column, const char* field,
                                  std::int64_t id)
{
    const std::optional<double> seconds = row.number(column);
    if (seconds && *seconds >= 0.0 && *seconds <= latestSeconds)
        return fromSeconds(*seconds);
    if (seconds || row.text(column).size() > 0)
        VANTLE_DIAG(lcStore, QStringLiteral("Record %1: unreadable %2 \"%3\", ignored")
                                 .arg(id)
                                 .arg(QLatin1String(field), row.text(column)));
    return std::nullopt;
}

} // namespace

std::unique_ptr<ModelContext> ModelContext::open(const QString& path, int busyTimeoutMs,
                                                 QString* error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create the folder %1").arg(folder);
        return nullptr;
    }
    std::unique_ptr<ModelContext> context(new ModelContext);
    context->m_db = std::make_unique<sqlite::Database>();
    if (!context->m_db->open(path)) {
        *error = context->m_db->errorText();
        return nullptr;
    }
    // Loading writes (the schema, the journal mode): it waits for other writers too.
    context->m_db->setBusyTimeout(busyTimeoutMs);
    if (!context->load(error)) {
        if (error->isEmpty())
            *error = context->m_db->errorText();
        return nullptr;
    }
    return context;
}

bool ModelContext::load(QString* error)
{
    sqlite::Database& db = *m_db;
    int version = 0;
    {
        sqlite::Statement query(db, "PRAGMA user_version");
        if (!query.step() && query.failed())
            return false;
        version = int(query.integer(0));
    }
    if (version > schemaVersion) {
        *error = QStringLiteral("the store was written by a newer version of Vantle (schema %1)")
                     .arg(version);
        return false;
    }
    if (!db.exec("PRAGMA journal_mode=WAL") || !db.exec("PRAGMA synchronous=NORMAL"))
        return false;
    if (version == 0) {
        if (!db.exec(createSchema))
            return false;
    } else {
        for (int step = version; step < schemaVersion; ++step) {
            if (!db.exec(migrations[step]))
                return false;
        }
    }
    const QByteArray stamp = "PRAGMA user_version=" + QByteArray::number(schemaVersion);
    if (version != schemaVersion && !db.exec(stamp.constData()))
        return false;

    sqlite::Statement rows(db, "SELECT id, inode, filePath, fileName, state, detectedAt, "
                               "markedTemporaryAt, expiresAt, fileSize, inodeSince, pinned "
                               "FROM TrackedFile ORDER BY id");
    while (rows.step()) {
        TrackedFile record;
        record.id = RecordId{rows.integer(0)};
        record.inode = std::uint64_t(rows.integer(1));
        record.filePath = rows.text(2);
        record.fileName = rows.text(3);
        // A state this version does not know is treated as kept: never trashed.
        record.state = fileStateFromRaw(rows.text(4)).value_or(FileState::dismissed);
        // An unreadable expiry means none (never due), like an unknown state;
        // the other dates fall back to now, which keeps the record as it is.
        const std::int64_t id = record.id.value;
        const QDateTime now = QDateTime::currentDateTimeUtc();
        record.detectedAt = readDate(rows, 5, "detectedAt", id).value_or(now);
        record.markedTemporaryAt = readDate(rows, 6, "markedTemporaryAt", id);
        record.expiresAt = readDate(rows, 7, "expiresAt", id);
        record.fileSize = rows.integer(8);
        record.inodeSince = readDate(rows, 9, "inodeSince", id).value_or(now);
        record.pinned = rows.integer(10) != 0;
        m_byInode[record.inode] = record.id.value;
        m_byPath[record.filePath].insert(record.id.value);
        m_records.emplace(record.id.value, std::move(record));
    }
    if (rows.failed())
        return false;

    // Identifiers are never reused: continue after the highest ever handed out.
    std::int64_t highest = m_records.empty() ? 0 : m_records.rbegin()->first;
    sqlite::Statement sequence(db, "SELECT seq FROM sqlite_sequence WHERE name='TrackedFile'");
    if (sequence.step())
        highest = std::max(highest, sequence.integer(0));
    m_nextId = highest + 1;
    return true;
}

const TrackedFile* ModelContext::find(RecordId id) const
{
    auto it = m_records.find(id.value);
    return it == m_records.end() ? nullptr : &it->second;
}

const TrackedFile* ModelContext::findByInode(std::uint64_t inode) const
{
    auto it = m_byInode.find(inode);
    return it == m_byInode.end() ? nullptr : find(RecordId{it->second});
}

const TrackedFile* ModelContext::findNewestAt(const QString& path) const
{
    auto ids = m_byPath.constFind(path);
    return ids == m_byPath.cend() || ids->empty() ? nullptr : find(RecordId{*ids->rbegin()});
}

RecordId ModelContext::insert(TrackedFile record)
{
    record.id = RecordId{m_nextId++};
    afterInodeChange(record);
    m_dirty.insert(record.id.value);
    m_byPath[record.filePath].insert(record.id.value);
    const RecordId id = record.id;
    m_records.emplace(id.value, std::move(record));
    return id;
}

void ModelContext::afterInodeChange(const TrackedFile& record)
{
    auto held = m_byInode.find(record.inode);
    if (held != m_byInode.end() && held->second != record.id.value)
        remove(RecordId{held->second});
    m_byInode[record.inode] = record.id.value;
}

std::optional<std::uint64_t> ModelContext::activeInodeAt(const QString& path,
                                                         std::uint64_t other) const
{
    auto ids = m_byPath.constFind(path);
    if (ids == m_byPath.cend())
        return std::nullopt;
    for (std::int64_t id : *ids) {
        const TrackedFile& record = m_records.at(id);
        if (record.state != FileState::dismissed && record.inode != other)
            return record.inode;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ModelContext::inodeAt(const QString& path, std::uint64_t other) const
{
    if (const auto active = activeInodeAt(path, other))
        return active;
    auto ids = m_byPath.constFind(path);
    if (ids == m_byPath.cend())
        return std::nullopt;
    for (std::int64_t id : *ids) {
        if (m_records.at(id).inode != other)
            return m_records.at(id).inode;
    }
    return std::nullopt;
}

void ModelContext::unindexPath(const QString& path, std::int64_t id)
{
    auto ids = m_byPath.find(path);
    if (ids == m_byPath.end())
        return;
    ids->erase(id);
    if (ids->empty())
        m_byPath.erase(ids);
}

void ModelContext::remove(RecordId id)
{
    auto it = m_records.find(id.value);
    if (it == m_records.end())
        return;
    auto held = m_byInode.find(it->second.inode);
    if (held != m_byInode.end() && held->second == id.value)
        m_byInode.erase(held);
    unindexPath(it->second.filePath, id.value);
    m_records.erase(it);
    m_dirty.erase(id.value);
    m_deleted.insert(id.value);
    m_removed.append(id);
}

std::optional<QString> ModelContext::save()
{
    if (!hasChanges())
        return std::nullopt;
    sqlite::Database& db = *m_db;
    auto fail = [this, &db]() -> std::optional<QString> {
        const QString error = db.errorText();
        // A statement that could not be prepared is prepared again next time.
        if (m_erase && m_erase->valid() && m_write->valid()) {
            m_erase->reset();
            m_write->reset();
        } else {
            m_erase.reset();
            m_write.reset();
        }
        db.exec("ROLLBACK");
        return error;
    };
    if (!db.exec("BEGIN IMMEDIATE"))
        return db.errorText();

    // Changed rows are written as delete and re-insert, so that a set of inode
    // swaps never trips the unique constraint halfway through.
    if (!m_erase) {
        m_erase = std::make_unique<sqlite::Statement>(db, "DELETE FROM TrackedFile WHERE id = ?");
        m_write = std::make_unique<sqlite::Statement>(
            db, "INSERT INTO TrackedFile (id, inode, filePath, fileName, state, detectedAt, "
                "markedTemporaryAt, expiresAt, fileSize, inodeSince, pinned) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    }
    sqlite::Statement& erase = *m_erase;
    sqlite::Statement& write = *m_write;
    for (const std::set<std::int64_t>* ids : {&m_deleted, &m_dirty}) {
        for (std::int64_t id : *ids) {
            erase.reset();
            erase.bind(1, id);
            erase.step();
            if (erase.failed())
                return fail();
        }
    }
    for (std::int64_t id : m_dirty) {
        const TrackedFile& record = m_records.at(id);
        write.reset();
        write.bind(1, id);
        // The inode is stored as the bit pattern of the 64-bit value.
        write.bind(2, std::int64_t(record.inode));
        write.bind(3, record.filePath);
        write.bind(4, record.fileName);
        write.bind(5, rawValue(record.state));
        write.bind(6, toSeconds(record.detectedAt));
        if (record.markedTemporaryAt)
            write.bind(7, toSeconds(*record.markedTemporaryAt));
        else
            write.bindNull(7);
        if (record.expiresAt)
            write.bind(8, toSeconds(*record.expiresAt));
        else
            write.bindNull(8);
        write.bind(9, record.fileSize);
        write.bind(10, toSeconds(record.inodeSince));
        write.bind(11, std::int64_t(record.pinned));
        write.step();
        if (write.failed())
            return fail();
    }
    erase.reset();
    write.reset();
    if (!db.exec("COMMIT"))
        return fail();
    m_dirty.clear();
    m_deleted.clear();
    return std::nullopt;
}
