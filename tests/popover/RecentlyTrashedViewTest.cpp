// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "popover/PopoverListView.h"
#include "popover/RecentlyTrashedRow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

TEST(RecentlyTrashedView, TheSectionFoldsAfterTheIgnoredOneAndRestoresByPlaceInTheTrash)
{
    PopoverLists lists;
    lists.temporaryFiles.resize(2);
    lists.ignoredFiles.resize(1);
    std::vector<TrashJournal::Entry> trashed;
    for (int i = 0; i < 3; ++i)
        trashed.push_back({QStringLiteral("/trash/files/f%1.pdf").arg(i),
                           QStringLiteral("/dl/f%1.pdf").arg(i), std::uint64_t(i + 1),
                           QDateTime::currentDateTimeUtc()});
    QStringList restored;
    PopoverListView view({});
    view.setRestoreAction([&](const QString& location) { restored.append(location); });
    view.resize(360, 600);
    view.show();
    view.setLists(lists, {});
    view.setRecentlyTrashed(trashed);
    EXPECT_EQ(view.builtRows(), 2) << "folded at start, like the ignored files";

    auto* header = view.findChild<QPushButton*>(QStringLiteral("trashedHeader"));
    auto* ignored = view.findChild<QPushButton*>(QStringLiteral("ignoredHeader"));
    ASSERT_TRUE(header && ignored);
    EXPECT_GT(header->y(), ignored->y());
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("trashedCount"))->text(), "3");
    EXPECT_EQ(header->toolTip(), "Show recently trashed files");
    QTest::mouseClick(header, Qt::LeftButton);
    EXPECT_EQ(header->toolTip(), "Hide recently trashed files");
    const auto rows = view.findChildren<RecentlyTrashedRowView*>();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(view.builtRows(), 5);

    // The second file's row, by its place on screen.
    auto byTop = rows;
    std::sort(byTop.begin(), byTop.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    RecentlyTrashedRowView* second = byTop[1];
    auto* button = second->findChild<QToolButton*>(QStringLiteral("restoreButton"));
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(restored, QStringList{"/trash/files/f1.pdf"});
    EXPECT_FALSE(button->isEnabled()) << "one click, one restore";

    view.setRecentlyTrashed({});
    EXPECT_FALSE(header->isVisible());
    EXPECT_EQ(view.builtRows(), 2);
}

TEST(RecentlyTrashedView, TheCaptionSaysHowLongAgoThenTheDate)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::LocalTime);
    const struct {
        qint64 secondsAgo;
        const char* caption;
    } table[] = {
        {-30, "Trashed just now"}, // a clock set back
        {0, "Trashed just now"},
        {59, "Trashed just now"},
        {60, "Trashed 1 min ago"},
        {59 * 60 + 59, "Trashed 59 min ago"},
        {3600, "Trashed 1 hour ago"},
        {2 * 3600, "Trashed 2 hours ago"},
        {86399, "Trashed 23 hours ago"},
        {86400, "Trashed on 6 Dec"},
        {3 * 86400 + 3600, "Trashed on 4 Dec"},
    };
    for (const auto& row : table)
        EXPECT_EQ(trashedCaption(now.addSecs(-row.secondsAgo).toUTC(), now), row.caption)
            << row.secondsAgo;
}
