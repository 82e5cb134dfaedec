// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/SpringAnimation.h"

#include <gtest/gtest.h>

// An animation that stops short of its target ends with a visible jump.
TEST(SpringAnimation, EverySpringSettlesOnItsTargetByItsSettleTime)
{
    for (const SpringParameters& s : {SpringParameters{0.45, 0.65}, SpringParameters{0.35, 0.6},
                                      SpringParameters{0.45, 0.72}, SpringParameters{0.3, 1.5}}) {
        EXPECT_DOUBLE_EQ(springProgress(0.0, s), 0.0);
        EXPECT_NEAR(springProgress(springSettleTime(s), s), 1.0, 0.002) << s.dampingFraction;
    }
}

TEST(SpringAnimation, RetargetingContinuesFromWhereTheValueIs)
{
    SpringValue value(0.0);
    value.animateTo(1.0, 10.0, {0.45, 0.65});
    const double midway = value.value(10.1);
    EXPECT_GT(midway, 0.2);
    EXPECT_LT(midway, 1.0);
    EXPECT_FALSE(value.isSettled(10.1));
    value.animateTo(0.0, 10.1, {0.45, 0.65});
    EXPECT_DOUBLE_EQ(value.value(10.1), midway);
    EXPECT_TRUE(value.isSettled(20.0));
    EXPECT_DOUBLE_EQ(value.value(20.0), 0.0);
}
