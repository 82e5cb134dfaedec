// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Serial.h"
#include "TestSupport.h"

#include <thread>
#include <utility>
#include <vector>

namespace {
using Ran = std::vector<std::pair<int, int>>; // (poster, its call's number)
}

TEST(SerialTest, CallsFromSeveralThreadsRunInEachPostersOrderUntilTheThreadStops)
{
    QObject service;
    ServiceThread thread(&service, "SerialTest");
    constexpr int posters = 3, calls = 200;
    Ran ran; // only ever touched on the service thread
    std::vector<std::thread> threads;
    for (int poster = 0; poster < posters; ++poster)
        threads.emplace_back([&service, &ran, poster] {
            for (int call = 0; call < calls; ++call)
                postSerial(&service, [&ran, poster, call] { ran.emplace_back(poster, call); });
        });
    for (std::thread& poster : threads)
        poster.join();
    const Ran seen = await(runSerial<Ran>(&service, [&ran] { return ran; }));
    ASSERT_EQ(seen.size(), std::size_t(posters * calls));
    std::vector<int> next(posters, 0);
    for (const auto& [poster, call] : seen)
        EXPECT_EQ(call, next[poster]++) << "poster " << poster;
    // Once the thread has stopped, a call is dropped and its future cancelled.
    thread.stop();
    const QFuture<Ran> late = runSerial<Ran>(&service, [&ran] {
        ran.emplace_back(-1, -1);
        return ran;
    });
    EXPECT_TRUE(late.isFinished() && late.isCanceled());
    EXPECT_EQ(ran.size(), seen.size());
}
