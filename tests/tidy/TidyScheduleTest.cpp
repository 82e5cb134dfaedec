// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/TidySchedule.h"
#include "TidyFixture.h"

#include <QSignalSpy>

namespace {

// A real store, real files and the real Trash; the daily run comes every
// few milliseconds.
class TidyScheduleTest : public TidyRuleFixture {
protected:
    void TearDown() override
    {
        m_schedule.reset();
        TidyRuleFixture::TearDown();
    }

    // Waits for the next time a run is due and says whether it ran.
    bool nextCheck()
    {
        QSignalSpy checked(m_schedule.get(), &TidySchedule::checked);
        EXPECT_TRUE(checked.wait(5000));
        return !checked.isEmpty() && checked.takeFirst().at(0).toBool();
    }

    std::unique_ptr<TidySchedule> m_schedule;
};

} // namespace

TEST_F(TidyScheduleTest, TheDailyRunWaitsForAPreviewOfEachNewRule)
{
    const QString first = kept("first.txt");
    m_schedule = std::make_unique<TidySchedule>(
        *m_tidier, TidySchedule::Options{std::chrono::milliseconds(20), {}});
    m_schedule->start();
    EXPECT_FALSE(nextCheck()) << "turned on, never previewed";
    EXPECT_TRUE(QFileInfo::exists(first));

    // "Tidy Now" on this rule's preview, longer ago than a day's interval.
    TidySchedule::confirm(TidyRule::fromSettings(), QDateTime::currentDateTimeUtc().addSecs(-1));
    EXPECT_TRUE(nextCheck());
    EXPECT_FALSE(QFileInfo::exists(first));

    settings::write(settings::tidyOlderThanDays, 20);
    const QString second = kept("second.txt");
    EXPECT_FALSE(nextCheck()) << "the rule changed";
    EXPECT_TRUE(QFileInfo::exists(second));

    settings::write(settings::tidyOlderThanDays, 30);
    TidySchedule::confirm(TidyRule::fromSettings(), QDateTime::currentDateTimeUtc().addSecs(-1));
    TidySchedule::setRuleEnabled(false);
    TidySchedule::setRuleEnabled(true);
    EXPECT_FALSE(nextCheck()) << "turned off and on again";
    EXPECT_TRUE(QFileInfo::exists(second));
}
