// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/CountdownIndicator.h"

#include "TestSupport.h"

using countdown::Urgency;
using namespace std::chrono_literals;

const QDateTime base(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

TEST(CountdownFace, LabelUrgencyAndProgressByTimeLeftAndNoneWithoutAnExpiry)
{
    const std::tuple<qint64, QString, Urgency> rows[] = {
        {-90'000, "Deleting…", Urgency::urgent},  {0, "Deleting…", Urgency::urgent},
        {59'999, "<1m left", Urgency::urgent},    {60'000, "1m left", Urgency::urgent},
        {3'599'999, "59m left", Urgency::urgent}, {3'600'000, "1h left", Urgency::soon},
        {7'259'000, "2h left", Urgency::soon},    {10'799'000, "2h 59m left", Urgency::soon},
        {10'800'000, "3h left", Urgency::calm},   {108'000'000, "30h left", Urgency::calm}};
    for (const auto& [msLeft, label, urgency] : rows) {
        const auto face = countdown::faceAt(base, base.addMSecs(msLeft), base);
        ASSERT_TRUE(face.has_value()) << msLeft;
        EXPECT_EQ(face->label, label) << msLeft;
        EXPECT_EQ(face->urgency, urgency) << msLeft;
    }
    EXPECT_FALSE(countdown::faceAt(base, std::nullopt, base).has_value()) << "no expiry";
    EXPECT_FALSE(countdown::faceAt(base, QDateTime(), base).has_value()) << "an invalid one";
    // The progress is the share of the lifetime used.
    const QDateTime expires = base.addSecs(4000);
    // What, marked at, now, progress.
    const std::tuple<const char*, std::optional<QDateTime>, QDateTime, double> shares[] = {
        {"halfway", base, base.addSecs(2000), 0.5},
        {"before the mark", base, base.addSecs(-50), 0},
        {"past the expiry", base, base.addSecs(9000), 1},
        {"no mark", std::nullopt, base.addSecs(2000), 0},
        {"invalid mark", QDateTime(), base.addSecs(2000), 0},
        {"marked after the expiry", expires.addSecs(10), expires.addSecs(20), 0}};
    for (const auto& [what, markedAt, now, progress] : shares) {
        const auto face = countdown::faceAt(markedAt, expires, now);
        ASSERT_TRUE(face.has_value()) << what;
        EXPECT_DOUBLE_EQ(face->progress, progress) << what;
    }
}

TEST(CountdownRefresh, OnlyAShownPillTicks)
{
    const QDateTime expires = base.addSecs(3600);
    QDateTime now = base.addSecs(-1);
    int closedReads = 0, neverShownReads = 0;
    CountdownIndicator shown(
        base, expires, nullptr, [&] { return now; }, 1ms);
    CountdownIndicator neverShown(
        base, expires, nullptr, [&] { return ++neverShownReads, now; }, 1ms);
    QWidget popover; // opened and closed again
    new CountdownIndicator(
        base, expires, &popover, [&] { return ++closedReads, now; }, 1ms);
    popover.show();
    popover.hide();
    const int closedBefore = closedReads, neverShownBefore = neverShownReads;
    shown.show();
    EXPECT_EQ(shown.label(), "1h left");
    const int widthBefore = shown.sizeHint().width();
    now = base.addSecs(1);
    ASSERT_TRUE(waitUntil([&] { return shown.label() == "59m left"; }));
    EXPECT_NE(shown.sizeHint().width(), widthBefore);
    EXPECT_EQ(closedReads, closedBefore);
    EXPECT_EQ(neverShownReads, neverShownBefore);
}
