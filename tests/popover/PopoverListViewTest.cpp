// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverListView.h"
#include "TestSupport.h"
#include "popover/RecentlyTrashedRow.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

namespace {

PopoverLists listsOf(int temporary, int ignored)
{
    PopoverLists lists;
    for (int i = 0; i < temporary + ignored; ++i) {
        TrackedFile f;
        f.id = RecordId{i + 1};
        f.fileName = QStringLiteral("%1.pdf").arg(i);
        f.state = i < temporary ? FileState::temporary : FileState::dismissed;
        (i < temporary ? lists.temporaryFiles : lists.ignoredFiles).push_back(f);
    }
    return lists;
}

} // namespace

TEST(PopoverListView, OnlyRowsInViewExistFoldedSectionsHaveNoneRestoreGoesByPlaceFailuresShowWhy)
{
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
    view.setLists(listsOf(2, 3), {});
    view.setRecentlyTrashed(trashed);
    EXPECT_EQ(view.builtRows(), 2) << "the ignored and the trashed rows start folded";
    auto* ignored = view.findChild<QPushButton*>(QStringLiteral("ignoredHeader"));
    auto* header = view.findChild<QPushButton*>(QStringLiteral("trashedHeader"));
    ASSERT_TRUE(header && ignored);
    EXPECT_GT(header->y(), ignored->y());
    QTest::mouseClick(ignored, Qt::LeftButton);
    EXPECT_EQ(view.builtRows(), 5);
    QTest::mouseClick(ignored, Qt::LeftButton);
    EXPECT_EQ(view.builtRows(), 2);
    EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("trashedCount"))->text(), "3");
    QTest::mouseClick(header, Qt::LeftButton);
    auto rows = view.findChildren<RecentlyTrashedRowView*>();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(view.builtRows(), 5);
    // The second file's row, by its place on screen.
    std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    auto* button = rows[1]->findChild<QToolButton*>(QStringLiteral("restoreButton"));
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(restored, QStringList{"/trash/files/f1.pdf"});
    EXPECT_FALSE(button->isEnabled()) << "one click, one restore";
    // A row whose action failed shows why in its place.
    PopoverLists failed = listsOf(1, 1); // ids 1 and 2
    failed.actionFailures.insert(RecordId{1}, "Couldn’t delete: Trash is full");
    failed.actionFailures.insert(RecordId{2}, "Couldn’t mark: the store is locked");
    view.setLists(failed, {});
    view.setIgnoredExpanded(true);
    view.setRecentlyTrashed(trashed, {{"/trash/files/f1.pdf", "Downloads is not a folder"}});
    QStringList shown;
    for (const QLabel* label : view.findChildren<QLabel*>())
        if (label->isVisible() && label->text().startsWith("⚠"))
            shown.append(label->text() + " | " + label->toolTip());
    shown.sort();
    EXPECT_EQ(shown,
              (QStringList{"⚠ Couldn’t delete | Couldn’t delete: Trash is full",
                           "⚠ Couldn’t mark | Couldn’t mark: the store is locked",
                           "⚠ Couldn’t restore | Couldn’t restore: Downloads is not a folder"}));
    view.setRecentlyTrashed({});
    EXPECT_FALSE(header->isVisible());
    EXPECT_EQ(view.builtRows(), 2);
    // Ten thousand records: a screenful of rows, wherever the list is scrolled.
    view.setLists(listsOf(10000, 0), {});
    const int screenful = 600 / PopoverListView::rowHeight + 2;
    EXPECT_LE(view.builtRows(), screenful);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    EXPECT_LE(view.builtRows(), screenful);
    EXPECT_GE(view.builtRows(), 600 / PopoverListView::rowHeight - 1);
}

TEST(RecentlyTrashedView, TheCaptionSaysHowLongAgoThenTheDate)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::LocalTime);
    // The first row: a clock set back.
    const std::pair<qint64, const char*> table[] = {
        {-30, "Trashed just now"},    {59, "Trashed just now"},
        {60, "Trashed 1 min ago"},    {59 * 60 + 59, "Trashed 59 min ago"},
        {3600, "Trashed 1 hour ago"}, {86399, "Trashed 23 hours ago"},
        {86400, "Trashed on 6 Dec"},  {3 * 86400 + 3600, "Trashed on 4 Dec"}};
    for (const auto& [secondsAgo, caption] : table)
        EXPECT_EQ(trashedCaption(now.addSecs(-secondsAgo).toUTC(), now), caption) << secondsAgo;
}
