// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/TidyPreview.h"

#include "platform/FileSystem.h"
#include "tidy/RecentlyUsed.h"
#include "watcher/Admission.h"

#include <QHash>
#include <QMimeDatabase>
#include <algorithm>

namespace {

constexpr qint64 secondsPerDay = 24 * 60 * 60;

// The names directly inside Downloads that hold something opened lately:
// the file itself, or the folder it is in.
QSet<QString> recentlyUsedNames(const TidyRule& rule, const TidyPreview::Inputs& inputs)
{
    QSet<QString> names;
    if (rule.recentlyUsedDays <= 0 || inputs.recentlyUsedPath.isEmpty())
        return names;
    const QString prefix = inputs.downloadsPath + QLatin1Char('/');
    const QDateTime since = inputs.now.addSecs(-rule.recentlyUsedDays * secondsPerDay);
    for (const QString& path : recentlyused::pathsSince(inputs.recentlyUsedPath, since)) {
        if (path.startsWith(prefix))
            names.insert(path.mid(prefix.size()).section(QLatin1Char('/'), 0, 0));
    }
    return names;
}

// The extension decides when it names one type; the content is read only
// when it does not.
QMimeType typeOf(const QMimeDatabase& mimes, const QString& path, const QString& name)
{
    const QList<QMimeType> byName = mimes.mimeTypesForFileName(name);
    return byName.size() == 1 ? byName.first() : mimes.mimeTypeForFile(path);
}

} // namespace

TidyPreview TidyPreview::of(const TidyRule& rule, const std::vector<TrackedFile>& records,
                            const Inputs& inputs)
{
    TidyPreview preview;
    const fs::Listing listing = fs::listDirectory(inputs.downloadsPath);
    if (!listing.ok()) {
        preview.error = listing.error;
        return preview;
    }
    QHash<std::uint64_t, const TrackedFile*> byInode;
    for (const TrackedFile& record : records)
        byInode.insert(record.inode, &record);
    const QSet<QString> opened = recentlyUsedNames(rule, inputs);
    const QString archiveRoot = rule.archiveRootIn(inputs.downloadsPath);
    const QDateTime cutoff = inputs.now.addSecs(-qint64(rule.olderThanDays) * secondsPerDay);
    const QMimeDatabase mimes;
    QHash<QString, std::optional<QString>>
        kindsByType; // a kind costs a walk of what the type inherits

    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        if (!name || opened.contains(*name))
            continue;
        const QString path = inputs.downloadsPath + QLatin1Char('/') + *name;
        const std::optional<ItemStat> item = fs::lstat(path);
        if (!item || path == archiveRoot || (item->isDirectory && !rule.includeFolders))
            continue;
        // Only what Vantle would record: no hidden names, partial downloads or links.
        const Admission admission = admissionOf(path, *item);
        if (admission.verdict != Admission::record)
            continue;
        const TrackedFile* record = byInode.value(item->inode);
        if (record && (record->state != FileState::dismissed || record->pinned))
            continue; // temporary, waiting for the user's answer, or kept forever
        const QDateTime since = record ? record->detectedAt : item->changeTime;
        if (!since.isValid() || since > cutoff)
            continue;
        if (!rule.kinds.isEmpty()) {
            std::optional<QString> kind;
            if (!item->isDirectory) {
                const QMimeType type = typeOf(mimes, path, *name);
                auto known = kindsByType.find(type.name());
                if (known == kindsByType.end())
                    known = kindsByType.insert(type.name(), TidyRule::kindOf(type));
                kind = *known;
            }
            if (!kind || !rule.kinds.contains(*kind))
                continue;
        }
        TidyItem taken;
        taken.path = path;
        taken.inode = item->inode;
        taken.isFolder = item->isDirectory;
        taken.size = admission.size;
        taken.since = since;
        taken.ageDays = int(since.secsTo(inputs.now) / secondsPerDay);
        if (rule.destination == TidyRule::Destination::archive)
            taken.destination = rule.archiveFolderFor(inputs.downloadsPath, since);
        preview.totalSize += taken.size;
        preview.items.push_back(std::move(taken));
    }
    std::sort(preview.items.begin(), preview.items.end(),
              [](const TidyItem& a, const TidyItem& b) { return a.since < b.since; });
    return preview;
}
