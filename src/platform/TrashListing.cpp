// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TrashListing.h"

#include "platform/FileSystem.h"

#include <QFile>
#include <QSet>
#include <gio/gio.h>
#include <mntent.h>
#include <unistd.h>

namespace {

// trash:/// through GIO's trash backend; nothing when there is none.
std::optional<std::vector<TrashEntry>> gioEntries()
{
    GFile* trash = g_file_new_for_uri("trash:///");
    GFileEnumerator* children = g_file_enumerate_children(
        trash, "standard::name,standard::target-uri,trash::orig-path,trash::deletion-date",
        G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, nullptr, nullptr);
    g_object_unref(trash);
    if (!children)
        return std::nullopt;
    std::vector<TrashEntry> entries;
    while (GFileInfo* info = g_file_enumerator_next_file(children, nullptr, nullptr)) {
        TrashEntry entry;
        entry.name = QFile::decodeName(g_file_info_get_name(info));
        if (const char* target =
                g_file_info_get_attribute_string(info, G_FILE_ATTRIBUTE_STANDARD_TARGET_URI)) {
            GFile* file = g_file_new_for_uri(target);
            if (char* path = g_file_get_path(file)) {
                entry.location = QFile::decodeName(path);
                g_free(path);
            }
            g_object_unref(file);
        }
        if (const char* original =
                g_file_info_get_attribute_byte_string(info, G_FILE_ATTRIBUTE_TRASH_ORIG_PATH))
            entry.originalPath = QFile::decodeName(original);
        if (GDateTime* deleted = g_file_info_get_deletion_date(info)) {
            entry.deletedAt = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(deleted), Qt::UTC);
            g_date_time_unref(deleted);
        }
        g_object_unref(info);
        if (!entry.location.isEmpty())
            entries.push_back(std::move(entry));
    }
    g_file_enumerator_close(children, nullptr, nullptr);
    g_object_unref(children);
    return entries;
}

// The top folders of the volumes on block devices: network, FUSE and
// memory file systems are never touched.
QStringList localVolumes()
{
    QStringList tops;
    FILE* table = ::setmntent("/proc/self/mounts", "r");
    if (!table)
        return tops;
    mntent entry{};
    char buffer[4096];
    while (::getmntent_r(table, &entry, buffer, sizeof buffer)) {
        if (qstrncmp(entry.mnt_fsname, "/dev/", 5) == 0)
            tops.append(QFile::decodeName(entry.mnt_dir));
    }
    ::endmntent(table);
    tops.removeDuplicates();
    return tops;
}

} // namespace

std::vector<TrashEntry> trashlisting::folderEntries(const QString& trashFolder, const QString& top)
{
    std::vector<TrashEntry> entries;
    const QString infoFolder = trashFolder + QStringLiteral("/info/");
    const QByteArray suffix = ".trashinfo";
    for (const QByteArray& raw : fs::listDirectory(infoFolder).names) {
        if (!raw.endsWith(suffix))
            continue;
        TrashEntry entry;
        entry.name = QFile::decodeName(raw.chopped(suffix.size()));
        entry.location = trashFolder + QStringLiteral("/files/") + entry.name;
        QFile info(infoFolder + QFile::decodeName(raw));
        // An entry whose item is gone (half emptied) is not in the Trash.
        if (!fs::lstat(entry.location) || !info.open(QIODevice::ReadOnly))
            continue;
        bool inGroup = false;
        for (const QByteArray& line : info.readAll().split('\n')) {
            const QByteArray text = line.trimmed();
            if (text.startsWith('['))
                inGroup = text == "[Trash Info]";
            else if (inGroup && text.startsWith("Path="))
                entry.originalPath =
                    QFile::decodeName(QByteArray::fromPercentEncoding(text.mid(5)));
            else if (inGroup && text.startsWith("DeletionDate="))
                // Local time, without a zone.
                entry.deletedAt =
                    QDateTime::fromString(QString::fromLatin1(text.mid(13)), Qt::ISODate).toUTC();
        }
        if (entry.originalPath.isEmpty())
            continue;
        if (!entry.originalPath.startsWith(QLatin1Char('/')))
            entry.originalPath = top + QLatin1Char('/') + entry.originalPath;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<TrashEntry> trashlisting::systemEntries()
{
    const std::optional<std::vector<TrashEntry>> listed = gioEntries();
    std::vector<TrashEntry> entries = listed.value_or(std::vector<TrashEntry>{});
    QSet<QString> seen;
    for (const TrashEntry& entry : entries)
        seen.insert(entry.location);
    auto add = [&](std::vector<TrashEntry> more) {
        for (TrashEntry& entry : more) {
            if (!seen.contains(entry.location)) {
                seen.insert(entry.location);
                entries.push_back(std::move(entry));
            }
        }
    };
    add(folderEntries(QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash")));
    if (listed)
        return entries;
    const QString uid = QString::number(::getuid());
    for (const QString& top : localVolumes()) {
        const QString base = top == QStringLiteral("/") ? QString() : top;
        add(folderEntries(base + QStringLiteral("/.Trash/") + uid, base));
        add(folderEntries(base + QStringLiteral("/.Trash-") + uid, base));
    }
    return entries;
}
