// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DownloadsScan.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"

bool isSkippedAtStartup(const QString& name)
{
    if (name.startsWith(QLatin1Char('.')))
        return true;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();
    return extension == QLatin1String("crdownload") || extension == QLatin1String("part") ||
           extension == QLatin1String("download");
}

InitialScan scanDownloads(const QString& folder)
{
    InitialScan scan;
    const fs::Listing listing = fs::listDirectory(folder);
    if (!listing.ok()) {
        scan.error = listing.error;
        return scan;
    }
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        if (!name) {
            VANTLE_DIAG(lcApp, QStringLiteral("Skipped an item whose name is not valid UTF-8: ") +
                                   QString::fromLatin1(raw.toPercentEncoding("/ ")));
            continue;
        }
        if (isSkippedAtStartup(*name))
            continue;
        const QString path = folder + QLatin1Char('/') + *name;
        const std::optional<ItemStat> st = fs::lstat(path);
        if (!st)
            continue;
        scan.snapshots.push_back(
            {st->inode, path, *name, st->isDirectory ? 0 : st->size, st->birthTime});
    }
    return scan;
}
