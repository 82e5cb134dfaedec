// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "platform/Trash.h"

#include <QDateTime>
#include <QDir>

// The system Trash lists what GIO trashed, whatever characters the name holds
// (the .trashinfo escapes them) and dated in UTC (it writes local time).
TEST(TrashListing, TheSystemTrashListsWhatItTookWithItsOriginalPathAndDate)
{
    const auto trash = makeSystemTrash();
    const QString folder = testenv::freshFolder("listing");
    const QString names[] = {"plain.txt", "50% off #1.pdf", "año nuevo.tar.gz"};
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    QStringList locations;
    for (const QString& name : names) {
        const Trash::Moved moved = trash->moveToTrash(testenv::writeFile(folder + "/" + name));
        ASSERT_FALSE(moved.error) << moved.error->toStdString();
        locations.append(moved.location);
    }
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);

    const std::vector<TrashEntry> entries = trash->entries();
    ASSERT_EQ(entries.size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const TrashEntry& e) {
            return e.location == locations[int(i)];
        });
        ASSERT_NE(entry, entries.end()) << locations[int(i)].toStdString();
        EXPECT_EQ(entry->originalPath, folder + "/" + names[i]);
        EXPECT_EQ(entry->name, names[i]);
        EXPECT_TRUE(entry->deletedAt >= before && entry->deletedAt <= after)
            << entry->deletedAt.toString(Qt::ISODate).toStdString();
    }

    // Emptied by hand (the item and its description gone): no longer listed.
    const QString trashFolder = QFileInfo(QFileInfo(locations[0]).absolutePath()).absolutePath();
    QFile::remove(locations[0]);
    QFile::remove(trashFolder + "/info/" + names[0] + ".trashinfo");
    EXPECT_EQ(trash->entries().size(), std::size(names) - 1);
}
