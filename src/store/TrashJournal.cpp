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

} // namespace

QString TrashJournal::besideStore(const QString& storePath)
{
    return QFileInfo(storePath).absolutePath() + QStringLiteral("/trashed.journal");
}

TrashJournal::TrashJournal(QString path, std::function<QDateTime()> clock)
    : m_path(std::move(path)), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
}

std::vector<TrashJournal::Entry> TrashJournal::readRecent() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QDateTime since = m_clock().addDays(-keptDays);
    std::vector<Entry> entries;
    for (const QByteArray& line : file.readAll().split('\n')) {
        // A line that does not read is skipped rather than losing the rest.
        if (auto entry = entryOf(line); entry && entry->trashedAt >= since)
            entries.push_back(std::move(*entry));
    }
    return entries;
}

std::optional<QString> TrashJournal::append(const QString& location, const QString& originalPath,
                                            std::uint64_t inode)
{
    QMutexLocker lock(&m_mutex);
    std::vector<Entry> entries = readRecent();
    entries.push_back({location, originalPath, inode, m_clock()});
    // Written whole under a new name and renamed over: a reader never sees half.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    for (const Entry& kept : entries)
        file.write(lineOf(kept));
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

std::vector<TrashJournal::Entry> TrashJournal::entries() const
{
    return readRecent();
}

std::vector<TrashJournal::Entry>
TrashJournal::stillTrashed(const std::vector<TrashEntry>& trash) const
{
    QSet<QString> inTrash;
    for (const TrashEntry& item : trash)
        inTrash.insert(item.location);
    std::vector<Entry> journal = entries();
    std::stable_sort(journal.begin(), journal.end(),
                     [](const Entry& a, const Entry& b) { return a.trashedAt > b.trashedAt; });
    std::vector<Entry> found;
    QSet<QString> taken; // a location sent to again holds the later item
    for (Entry& entry : journal) {
        if (!inTrash.contains(entry.location) || taken.contains(entry.location))
            continue;
        taken.insert(entry.location);
        if (fs::holdsItem(entry.location, entry.inode))
            found.push_back(std::move(entry));
    }
    return found;
}
