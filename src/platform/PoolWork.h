// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Serial.h"
#include "platform/Tsan.h"

#include <QFuture>
#include <QThreadPool>
#include <type_traits>
#include <utility>

// Starts `task` on one of `pool`'s threads. The pool hands it over under its
// own locks, which ThreadSanitizer cannot see; declared here, everything this
// thread did before the start happens before the task.
template <typename F> void startInPool(QThreadPool& pool, F&& task)
{
    auto started = tsan::handedOver(std::forward<F>(task));
    // Qt wraps the call in a runnable of its own here and frees it there.
    const tsan::IgnoreAccesses handOver;
    pool.start(std::move(started));
}

// Runs `work` on one of `pool`'s threads and hands its result back through a
// future, answered as runSerial answers. A task the pool never runs finishes
// its future cancelled.
template <typename T, typename F> QFuture<T> runInPool(QThreadPool& pool, F&& work)
{
    serial::Promise<T> promise;
    QFuture<T> future = promise.future();
    startInPool(pool,
                serial::Answer<T, std::decay_t<F>>(std::move(promise), std::forward<F>(work)));
    return future;
}
