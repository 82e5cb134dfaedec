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

QString moveFailure(const QString& prefix, const QString& source, const QString& target,
                    const QString& error)
{
    return prefix + source + QStringLiteral(" → ") + target + QStringLiteral(": ") + error;
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

bool FileMover::createFolder(const QString& path)
{
    if (auto error = filetransfer::createDirectories(path)) {
        VANTLE_DIAG(lcMove, QStringLiteral("Failed to create folder ") + path +
                                QStringLiteral(": ") + *error);
        return false;
    }
    return true;
}

QStringList FileMover::moveFiles(const QStringList& sources, const QString& destination)
{
    QStringList moved;
    if (sources.isEmpty())
        return moved;
    const auto destinationDevice = filetransfer::deviceOf(destination, true);
    for (const QString& source : sources) {
        QString target = uniqueDestination(source, destination);
        // A link moves as itself, so its own device counts.
        const auto sourceDevice = filetransfer::deviceOf(source, false);
        if (sourceDevice != destinationDevice) {
            moveAcrossDevices(source, target, destination);
            continue;
        }
        int error = filetransfer::renameNoReplace(source, target);
        // Something took the name since it was chosen: take the next free one.
        for (int retry = 0; error == EEXIST && retry < maximumNameRetries; ++retry) {
            target = uniqueDestination(source, destination);
            error = filetransfer::renameNoReplace(source, target);
        }
        if (error != 0) {
            VANTLE_DIAG(lcMove, moveFailure(QStringLiteral("Move failed "), source, target,
                                            fs::errorText(error)));
            continue;
        }
        moved.append(target);
    }
    if (!moved.isEmpty())
        m_workspace->revealInFileManager({moved.first()});
    return moved;
}

void FileMover::moveAcrossDevices(const QString& source, const QString& chosen,
                                  const QString& destination)
{
    ++m_pending;
    m_pool.start([this, source, chosen, destination] {
        QString target = chosen;
        std::optional<QString> failure;
        filetransfer::Copy copy = filetransfer::copyToTemporary(source, destination);
        if (copy.error) {
            failure = copy.error;
        } else {
            int error = filetransfer::renameNoReplace(copy.temporaryPath, target);
            for (int retry = 0; error == EEXIST && retry < maximumNameRetries; ++retry) {
                target = uniqueDestination(source, destination);
                error = filetransfer::renameNoReplace(copy.temporaryPath, target);
            }
            if (error != 0) {
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
        }
        if (failure)
            VANTLE_DIAG(lcMove, moveFailure(QStringLiteral("Move failed (cross-volume) "), source,
                                            target, *failure));
        const bool moved = !failure;
        QMetaObject::invokeMethod(
            this,
            [this, source, target, moved] {
                --m_pending;
                if (moved)
                    m_workspace->revealInFileManager({target});
                Q_EMIT crossDeviceMoveFinished(source, target, moved);
            },
            Qt::QueuedConnection);
    });
}
