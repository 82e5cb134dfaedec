// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

// Calls `each(i)` for every i below `count`, on this thread and one more, each
// taking the next index as it is free. Batches of file moves spend most of
// their time waiting on the kernel; a second thread checks and stats while
// the first one's rename is under way.
template <typename Each> void onTwoThreads(std::size_t count, const Each& each)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < count;)
            each(i);
    };
    if (count < 2) {
        work();
        return;
    }
    std::thread helper(work);
    work();
    helper.join();
}
