// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TrackedFile.h"

#include "platform/FileSystem.h"
#include "platform/Formatters.h"

#include <utility>

TrackedFile::TrackedFile(std::uint64_t inode, QString filePath, QString fileName,
                         std::int64_t fileSize, QDateTime now)
    : inode(inode), filePath(std::move(filePath)), fileName(std::move(fileName)), detectedAt(now),
      fileSize(fileSize), inodeSince(now)
{
}

bool TrackedFile::isFolder() const
{
    if (fileSize != 0 || filePath.isEmpty())
        return false;
    const std::optional<ItemStat> st = fs::lstat(filePath);
    return st && st->isDirectory;
}

QString TrackedFile::displaySize() const
{
    if (isFolder())
        return QStringLiteral("Folder");
    return formatByteCount(fileSize);
}
