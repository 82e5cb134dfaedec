// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrashJournal.h"

#include "platform/FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <algorithm>

namespace {

QByteArray lineOf(const TrashJournal::Entry& entry)
{
    const QJsonObject object{
        {QStringLiteral("location"), entry.location},
        {QStringLiteral("path"), entry.originalPath},
        // As text: a double cannot hold every 64-bit inode.
        {QStringLiteral("inode"), QString::number(entry.inode)},
        {QStringLiteral("at"), entry.trashedAt.toUTC().toString(Qt::ISODateWithMs)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<TrashJournal::Entry> entryOf(const QByteArray& line)
{
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    TrashJournal::Entry entry;
    entry.location = object.value(QStringLiteral("location")).toString();
    entry.originalPath = object.value(QStringLiteral("path")).toString();
    bool numeric = false;
    entry.inode = object.value(QStringLiteral("inode")).toString().toULongLong(&numeric);
    entry.trashedAt =
        QDateTime::fromString(object.value(QStringLiteral("at")).toString(), Qt::ISODateWithMs);
    if (entry.location.isEmpty() || entry.originalPath.isEmpty() || !numeric ||
        !entry.trashedAt.isValid())
        return std::nullopt;
    return entry;
}

// Calls `take` with each readable entry of the last week and its line, in
// file order, reading one line at a time. A line that does not read is
// skipped rather than losing the rest.
template <typename F> void forEachRecent(const QString& path, const QDateTime& since, F&& take)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (auto entry = entryOf(line); entry && entry->trashedAt >= since)
            take(std::move(*entry), line);
    }
}

} // namespace

QString TrashJournal::besideStore(const QString& storePath)
{
    return QFileInfo(storePath).absolutePath() + QStringLiteral("/trashed.journal");
}

TrashJournal::TrashJournal(QString path, std::function<QDateTime()> clock, qint64 compactAfterBytes)
    : m_path(std::move(path)), m_clock(std::move(clock)), m_minimumCompaction(compactAfterBytes)
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
}

TrashJournal::~TrashJournal() = default;

std::optional<QString> TrashJournal::append(const QString& location, const QString& originalPath,
                                            std::uint64_t inode)
{
    QMutexLocker lock(&m_mutex);
    QByteArray line = lineOf({location, originalPath, inode, m_clock()});
    // The file stays open between writes (one process writes it, and only
    // this object rewrites it), so a trashing costs one write.
    if (!m_file) {
        auto file = std::make_unique<QFile>(m_path);
        if (!file->open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
            return file->errorString();
        // A line cut short by a crash is ended first, so that it costs only itself.
        char last = '\n';
        m_size = file->size();
        if (m_size > 0 && (!file->seek(m_size - 1) || !file->getChar(&last)))
            return file->errorString();
        if (last != '\n')
            line.prepend('\n');
        // What a journal held before this process wrote to it is not
        // rewritten at the first trashing: only once it has doubled.
        if (m_compactAt < 0)
            m_compactAt = std::max(m_minimumCompaction, 2 * m_size);
        m_file = std::move(file);
    }
    // One write of the whole line; a reader that meets it half-written skips it.
    if (m_file->write(line) != line.size()) {
        const QString error = m_file->errorString();
        m_file.reset(); // opened again, its end looked at again
        return error;
    }
    m_size += line.size();
    if (m_size < m_compactAt)
        return std::nullopt;
    // Rare: the file is rewritten only when it has doubled since the last time.
    m_file.reset();
    const auto error = compact();
    m_compactAt = std::max(m_compactAt, 2 * QFileInfo(m_path).size());
    return error;
}

std::optional<QString> TrashJournal::compact()
{
    // Written whole under a new name and renamed over: a reader never sees half.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    forEachRecent(m_path, m_clock().addDays(-keptDays), [&](Entry&&, const QByteArray& line) {
        file.write(line.endsWith('\n') ? line : line + '\n');
    });
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

std::vector<TrashJournal::Entry> TrashJournal::entries() const
{
    std::vector<Entry> entries;
    forEachRecent(m_path, m_clock().addDays(-keptDays),
                  [&](Entry&& entry, const QByteArray&) { entries.push_back(std::move(entry)); });
    return entries;
}

std::vector<TrashJournal::Entry> TrashJournal::stillTrashed(Trash& trash,
                                                            const QSet<QString>& onlyAt) const
{
    std::vector<Entry> journal = entries();
    std::stable_sort(journal.begin(), journal.end(),
                     [](const Entry& a, const Entry& b) { return a.trashedAt > b.trashedAt; });
    std::vector<Entry> found;
    QSet<QString> taken; // a location sent to again holds the later item
    for (Entry& entry : journal) {
        if (taken.contains(entry.location))
            continue;
        taken.insert(entry.location);
        if (!onlyAt.isEmpty() && !onlyAt.contains(entry.location))
            continue;
        if (trash.holds(entry.location) && fs::holdsItem(entry.location, entry.inode))
            found.push_back(std::move(entry));
    }
    return found;
}
