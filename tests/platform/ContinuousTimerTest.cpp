// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ContinuousTimer.h"
#include "TestSupport.h"

#include <time.h>

using namespace std::chrono_literals;

namespace {

// The kernel's own reading of the clock that counts suspend.
std::chrono::nanoseconds bootClock()
{
    timespec reading{};
    clock_gettime(CLOCK_BOOTTIME, &reading);
    return std::chrono::seconds(reading.tv_sec) + std::chrono::nanoseconds(reading.tv_nsec);
}

} // namespace

TEST(ContinuousTimerTest, readsTheClockThatCountsSuspendFiresInOrderNeverEarlyAndCancelledNever)
{
    ContinuousTimer timer;
    const auto before = bootClock();
    const auto start = ContinuousTimer::now();
    EXPECT_TRUE(before <= start && start <= bootClock());
    std::vector<int> order;
    // Scheduled out of order, two with the same deadline.
    const std::vector<std::pair<int, std::chrono::milliseconds>> plan{
        {3, 90ms}, {1, 20ms}, {4, 90ms}, {2, 50ms}, {0, 5ms}};
    for (const auto& [label, delay] : plan) {
        const auto deadline = start + delay;
        timer.scheduleAt(deadline, [&order, label = label, deadline] {
            EXPECT_GE(bootClock(), deadline) << label << " fired early";
            order.push_back(label);
        });
    }
    ASSERT_TRUE(waitUntil([&] { return order.size() == plan.size(); }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    // Deadlines already past fire at once, earliest first; one an hour away waits.
    std::vector<int> fired;
    timer.scheduleAfter(1h, [&] { fired.push_back(9); });
    timer.scheduleAt(ContinuousTimer::now() - 10s, [&] { fired.push_back(1); });
    timer.scheduleAfter(-5s, [&] { fired.push_back(2); });
    timer.scheduleAt(std::chrono::nanoseconds(0), [&] { fired.push_back(0); });
    ASSERT_TRUE(waitUntil([&] { return fired.size() == 3; }, 500ms));
    EXPECT_EQ(fired, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(timer.pendingCount(), 1u) << "the one an hour away still waits";
    timer.cancelAll();
    EXPECT_EQ(timer.pendingCount(), 0u);
    fired.clear();
    // The earliest one cancelled (the kernel timer is armed for it), one in
    // the middle, and one cancelled from a callback that runs in the same batch.
    const auto first = timer.scheduleAfter(10ms, [&] { fired.push_back(1); });
    ContinuousTimer::TimerId third = 0;
    timer.scheduleAfter(20ms, [&] {
        fired.push_back(2);
        EXPECT_TRUE(timer.cancel(third));
    });
    third = timer.scheduleAfter(20ms, [&] { fired.push_back(3); });
    const auto fourth = timer.scheduleAfter(30ms, [&] { fired.push_back(4); });
    EXPECT_TRUE(timer.cancel(first));
    EXPECT_TRUE(timer.cancel(fourth));
    EXPECT_FALSE(timer.cancel(fourth)) << "a second cancel has nothing to cancel";
    // A later deadline gives a wrongly kept one the chance to fire first.
    timer.scheduleAfter(110ms, [&] { fired.push_back(0); });
    ASSERT_TRUE(waitUntil([&] { return timer.pendingCount() == 0 && !fired.empty(); }));
    EXPECT_EQ(fired, (std::vector<int>{2, 0}));
    // All but every tenth cancelled as they come: the cancelled soon dominate the heap,
    // which is rebuilt again and again.
    int kept = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto id = timer.scheduleAfter(std::chrono::milliseconds(5 + i % 40), [&] { ++kept; });
        ASSERT_TRUE(i % 10 == 0 || timer.cancel(id));
    }
    EXPECT_EQ(timer.pendingCount(), 200u);
    ASSERT_TRUE(waitUntil([&] { return timer.pendingCount() == 0; }));
    EXPECT_EQ(kept, 200);
}
