// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "popover/RecentlyTrashedRow.h"

TEST(RecentlyTrashedView, TheCaptionSaysHowLongAgoThenTheDate)
{
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::LocalTime);
    const struct {
        qint64 secondsAgo;
        const char* caption;
    } table[] = {{-30, "Trashed just now"}, // a clock set back
                 {59, "Trashed just now"},
                 {60, "Trashed 1 min ago"},
                 {59 * 60 + 59, "Trashed 59 min ago"},
                 {3600, "Trashed 1 hour ago"},
                 {86399, "Trashed 23 hours ago"},
                 {86400, "Trashed on 6 Dec"},
                 {3 * 86400 + 3600, "Trashed on 4 Dec"}};
    for (const auto& row : table)
        EXPECT_EQ(trashedCaption(now.addSecs(-row.secondsAgo).toUTC(), now), row.caption)
            << row.secondsAgo;
}
