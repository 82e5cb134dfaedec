// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "platform/Trash.h"

#include <QDateTime>
#include <QFile>

// The system Trash lists what GIO trashed, whatever characters the name holds
// (the .trashinfo escapes them) and dated in UTC (it writes local time).
TEST(TrashListing, TheSystemTrashListsWhatItTookWithItsOriginalPathAndDate)
{
    const auto trash = makeSystemTrash();
    const QString folder = testenv::freshFolder("listing");
    const QString names[] = {"plain.txt", "50% off #1.pdf", "año nuevo.tar.gz"};
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    QStringList locations, expected, listed;
    for (const QString& name : names) {
        const Trash::Moved moved = trash->moveToTrash(testenv::writeFile(folder + "/" + name));
        ASSERT_FALSE(moved.error) << moved.error->toStdString();
        locations.append(moved.location);
        expected.append(moved.location + " from " + folder + "/" + name + " as " + name);
    }
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);

    for (const TrashEntry& entry : trash->entries()) {
        listed.append(entry.location + " from " + entry.originalPath + " as " + entry.name);
        EXPECT_TRUE(entry.deletedAt >= before && entry.deletedAt <= after)
            << entry.deletedAt.toString(Qt::ISODate).toStdString();
    }
    listed.sort();
    expected.sort();
    EXPECT_EQ(listed, expected);

    // Emptied by hand (the item and its description gone): no longer listed.
    QFile::remove(locations[0]);
    QFile::remove(QString(locations[0]).replace("/Trash/files/", "/Trash/info/") + ".trashinfo");
    EXPECT_EQ(trash->entries().size(), std::size(names) - 1);
}
