// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Serial.h"
#include "TestSupport.h"

#include <thread>
#include <utility>
#include <vector>

namespace {
using Ran = std::vector<std::pair<int, int>>; // (poster, its call's number)
}

TEST(SerialTest, CallsFromSeveralThreadsAllRunEachInItsPostersOrder)
{
    QObject service;
    ServiceThread thread(&service, "SerialTest");
    constexpr int posters = 3;
    constexpr int calls = 200;
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
}

TEST(SerialTest, OnceTheThreadHasStoppedACallIsDroppedAndItsFutureCancelled)
{
    QObject service;
    ServiceThread thread(&service, "SerialTest");
    EXPECT_EQ(await(runSerial<int>(&service, [] { return 1; })), 1);
    thread.stop();
    bool ran = false;
    const QFuture<int> late = runSerial<int>(&service, [&ran] {
        ran = true;
        return 2;
    });
    EXPECT_TRUE(late.isFinished());
    EXPECT_TRUE(late.isCanceled());
    EXPECT_FALSE(ran);
}
