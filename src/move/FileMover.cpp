// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FileMover.h"

#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Log.h"

#include <cerrno>

namespace {

// Gives up on a target that keeps being taken by someone else.
constexpr int maximumNameRetries = 1000;

QString lastComponent(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.section(QLatin1Char('/'), -1);
}

QString inFolder(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Renames `from` to a free name in `destination`, starting with `target`:
// something may take a name between choosing and renaming.
int renameToFreeName(const QString& from, const QString& source, const QString& destination,
                     QString& target)
{
    int error = filetransfer::renameNoReplace(from, target);
    for (int retry = 0; error == EEXIST && retry < maximumNameRetries; ++retry) {
        target = FileMover::uniqueDestination(source, destination);
        error = filetransfer::renameNoReplace(from, target);
    }
    return error;
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

QString FileMover::uniqueDestination(const QString& source, const QString& destination)
{
    const QString name = lastComponent(source);
    const QString first = inFolder(destination, name);
    if (!filetransfer::occupied(first))
        return first;
    // The extension follows the last dot, unless the dot starts or ends the name.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0 && dot < name.size() - 1;
    const QString base = hasExtension ? name.left(dot) : name;
    const QString ext = hasExtension ? name.mid(dot + 1) : QString();
    for (qint64 n = 2;; ++n) {
        QString candidate = base + QStringLiteral(" (") + QString::number(n) + QLatin1Char(')');
        if (!ext.isEmpty())
            candidate += QLatin1Char('.') + ext;
        const QString path = inFolder(destination, candidate);
        if (!filetransfer::occupied(path))
            return path;
    }
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
    m_pool.start([this, sources, destination, finished, createDestination] {
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
        QMetaObject::invokeMethod(
            this,
            [this, outcomes, finished] {
                --m_pending;
                for (const MoveOutcome& outcome : outcomes) {
                    if (outcome.moved()) {
                        m_workspace->revealInFileManager({outcome.target});
                        break;
                    }
                }
                if (finished)
                    finished(outcomes);
            },
            Qt::QueuedConnection);
    });
}

MoveOutcome FileMover::moveOne(const QString& source, const QString& destination,
                               std::optional<std::uint64_t> destinationDevice)
{
    // A link moves as itself, so its own device counts.
    if (filetransfer::deviceOf(source, false) != destinationDevice)
        return moveAcrossDevices(source, destination);
    QString target = uniqueDestination(source, destination);
    if (const int error = renameToFreeName(source, source, destination, target)) {
        VANTLE_DIAG(lcMove, QStringLiteral("Move failed ") + source + QStringLiteral(" → ") +
                                target + QStringLiteral(": ") + fs::errorText(error));
        return {source, {}, fs::errorText(error)};
    }
    return {source, target, {}};
}

MoveOutcome FileMover::moveAcrossDevices(const QString& source, const QString& destination)
{
    QString target = uniqueDestination(source, destination);
    std::optional<QString> failure;
    filetransfer::Copy copy = filetransfer::copyToTemporary(source, destination);
    if (copy.error) {
        failure = copy.error;
    } else if (const int error =
                   renameToFreeName(copy.temporaryPath, source, destination, target)) {
        failure = fs::errorText(error);
        filetransfer::discardCopy(copy);
    } else {
        // The copy is safely in place before the source goes.
        filetransfer::syncFolder(destination);
        if (auto left = filetransfer::removeCopiedSource(copy))
            VANTLE_DIAG(lcMove, QStringLiteral("Moved (cross-volume) ") + source +
                                    QStringLiteral(" → ") + target +
                                    QStringLiteral(", but the source was ") + *left);
    }
    if (failure) {
        VANTLE_DIAG(lcMove, QStringLiteral("Move failed (cross-volume) ") + source +
                                QStringLiteral(" → ") + target + QStringLiteral(": ") + *failure);
        return {source, {}, *failure};
    }
    return {source, target, {}};
}
