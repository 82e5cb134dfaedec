// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/RecordTrash.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/TwoThreads.h"
#include "store/Tags.h"

#include <QDir>

RecordTrash::RecordTrash(std::shared_ptr<Trash> trash, QString downloadsPath, QString journalPath)
    : m_trash(std::move(trash)), m_journal(std::make_shared<TrashJournal>(std::move(journalPath))),
      m_downloadsPath(QDir::cleanPath(downloadsPath))
{
}

bool RecordTrash::isRecordablePath(const QString& path) const
{
    if (m_downloadsPath.isEmpty() || !QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path)
        return false;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    return path.left(slash) == m_downloadsPath && !name.isEmpty() && name != QLatin1String("..") &&
           name != QLatin1String(".");
}

std::optional<RecordTrash::Result> RecordTrash::refusal(const QString& path,
                                                        std::uint64_t inode) const
{
    if (!isRecordablePath(path)) {
        VANTLE_DIAG(lcStore, QStringLiteral("Refused to take %1: not an item directly inside "
                                            "the Downloads folder")
                                 .arg(path));
        return Result{Outcome::refused, QStringLiteral("not inside the Downloads folder")};
    }
    if (!fs::holdsItem(path, inode))
        return Result{Outcome::absent, {}};
    return std::nullopt;
}

RecordTrash::Result RecordTrash::trash(const QString& path, std::uint64_t inode) const
{
    if (auto refused = refusal(path, inode))
        return *refused;
    // The mark goes first, so that the item does not sit tagged in the Trash
    // (the item was just found to be the record's).
    tags::removeTag(path);
    const Trash::Moved moved = m_trash->moveToTrash(path);
    if (moved.error) {
        if (fs::holdsItem(path, inode))
            tags::addTag(path);
        return {Outcome::failed, *moved.error};
    }
    const auto trashed = moved.location.isEmpty() ? std::nullopt : fs::lstat(moved.location);
    if (!moved.location.isEmpty() && (!trashed || trashed->inode != inode)) {
        // Another item took the path between the check and the move.
        const auto error = m_trash->putBack(moved.location, path);
        VANTLE_DIAG(lcStore, QStringLiteral("%1 was replaced while being trashed; %2")
                                 .arg(path, error ? QStringLiteral("left the newcomer in the "
                                                                   "Trash at %1: %2")
                                                        .arg(moved.location, *error)
                                                  : QStringLiteral("put the newcomer back")));
        return {Outcome::absent, QStringLiteral("replaced while being trashed")};
    }
    if (moved.location.isEmpty()) {
        const QString detail = QStringLiteral("its place in the Trash could not be found, so "
                                              "Vantle cannot put it back");
        VANTLE_DIAG(lcStore, QStringLiteral("Trashed %1, but %2").arg(path, detail));
        return {Outcome::trashed, detail};
    }
    // Only the item proven to be the record's own can be offered back.
    if (const auto error = m_journal->append(moved.location, path, inode)) {
        const QString detail =
            QStringLiteral("it could not be noted in %1 (%2), so Vantle cannot put it back")
                .arg(m_journal->path(), *error);
        VANTLE_DIAG(lcStore, QStringLiteral("Trashed %1, but %2").arg(path, detail));
        return {Outcome::trashed, detail};
    }
    return {Outcome::trashed, {}, moved.location};
}

std::vector<RecordTrash::Result> RecordTrash::trashAll(const std::vector<Target>& targets) const
{
    std::vector<Result> results(targets.size());
    onTwoThreads(targets.size(),
                 [&](std::size_t i) { results[i] = trash(targets[i].path, targets[i].inode); });
    return results;
}
