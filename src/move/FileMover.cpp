// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FileMover.h"

#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/FreeName.h"
#include "platform/Log.h"
#include "platform/PoolWork.h"
#include "platform/PostedCalls.h"

#include <cerrno>

namespace {

// Gives up on a target that keeps being taken by someone else.
constexpr int maximumNameRetries = 100;

QString lastComponent(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.section(QLatin1Char('/'), -1);
}

// Renames `from` to a free name in `destination`, starting with `target`:
// something may take a name between choosing and renaming. The reason when
// it did not move.
std::optional<QString> renameToFreeName(const QString& from, const QString& source,
                                        const QString& destination, QString& target)
{
    int error = filetransfer::renameNoReplace(from, target);
    for (int retry = 0; error == EEXIST && retry < maximumNameRetries; ++retry) {
        const freename::Result name = FileMover::uniqueDestination(source, destination);
        if (!name.found())
            return name.error;
        target = name.path;
        error = filetransfer::renameNoReplace(from, target);
    }
    if (error)
        return fs::errorText(error);
    return std::nullopt;
}

} // namespace

FileMover::FileMover(std::shared_ptr<Workspace> workspace, QObject* parent)
    : QObject(parent), m_workspace(std::move(workspace))
{
    m_pool.setObjectName(QStringLiteral("FileMover"));
}

FileMover::~FileMover()
{
    // A copy left half-way would be debris; let it finish.
    m_pool.waitForDone();
}

freename::Result FileMover::uniqueDestination(const QString& source, const QString& destination)
{
    return freename::in(destination, lastComponent(source));
}

std::optional<QString> FileMover::createFolder(const QString& path)
{
    auto error = filetransfer::createDirectories(path);
    if (error)
        VANTLE_DIAG(lcMove, QStringLiteral("Failed to create folder ") + path +
                                QStringLiteral(": ") + *error);
    return error;
}

void FileMover::moveFiles(const QStringList& sources, const QString& destination, Finished finished,
                          bool createDestination)
{
    ++m_pending;
    startInPool(m_pool, [this, sources, destination, finished, createDestination] {
        QList<MoveOutcome> outcomes;
        std::optional<QString> unusable =
            createDestination ? createFolder(destination) : std::nullopt;
        // A folder gone since it was offered says so, not what a copy into it would.
        const std::optional<ItemStat> folder = fs::stat(destination);
        if (!unusable && (!folder || !folder->isDirectory))
            unusable = folder ? QStringLiteral("it is not a folder")
                              : QStringLiteral("the folder is not there");
        const auto destinationDevice = filetransfer::deviceOf(destination, true);
        for (const QString& source : sources)
            outcomes.append(unusable ? MoveOutcome{source, {}, *unusable}
                                     : moveOne(source, destination, destinationDevice));
        postCall(this, [this, outcomes, finished] {
            --m_pending;
            for (const MoveOutcome& outcome : outcomes) {
                if (outcome.moved()) {
                    m_workspace->revealInFileManager({outcome.target});
                    break;
                }
            }
            if (finished)
                finished(outcomes);
        });
    });
}

MoveOutcome FileMover::moveOne(const QString& source, const QString& destination,
                               std::optional<std::uint64_t> destinationDevice)
{
    // A link moves as itself, so its own device counts.
    if (filetransfer::deviceOf(source, false) != destinationDevice)
        return moveAcrossDevices(source, destination);
    const freename::Result name = uniqueDestination(source, destination);
    QString target = name.path;
    std::optional<QString> error =
        name.found() ? renameToFreeName(source, source, destination, target) : name.error;
    if (error) {
        VANTLE_DIAG(lcMove, QStringLiteral("Move failed ") + source + QStringLiteral(" → ") +
                                target + QStringLiteral(": ") + *error);
        return {source, {}, *error};
    }
    return {source, target, {}};
}

MoveOutcome FileMover::moveAcrossDevices(const QString& source, const QString& destination)
{
    const freename::Result name = uniqueDestination(source, destination);
    if (!name.found())
        return {source, {}, name.error};
    QString target = name.path;
    std::optional<QString> failure;
    filetransfer::Copy copy = filetransfer::copyToTemporary(source, destination);
    if (copy.error) {
        failure = copy.error;
    } else if (auto error = renameToFreeName(copy.temporaryPath, source, destination, target)) {
        failure = error;
        filetransfer::discardCopy(copy);
    } else {
        // The copy is safely in place before the source goes.
        filetransfer::syncFolder(destination);
        if (auto left = filetransfer::removeCopiedSource(copy)) {
            // A copy beside an original that stayed is no move: the file is
            // in both places, and the record keeps following the original.
            VANTLE_DIAG(lcMove, QStringLiteral("Moved (cross-volume) ") + source +
                                    QStringLiteral(" → ") + target +
                                    QStringLiteral(", but the source was ") + *left);
            return {source, target,
                    QStringLiteral("it was copied to %1, but the original could not be "
                                   "removed (%2)")
                        .arg(target, *left)};
        }
    }
    if (failure) {
        VANTLE_DIAG(lcMove, QStringLiteral("Move failed (cross-volume) ") + source +
                                QStringLiteral(" → ") + target + QStringLiteral(": ") + *failure);
        return {source, {}, *failure};
    }
    return {source, target, {}};
}
