// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Tsan.h"

#include <QFuture>
#include <QObject>
#include <QPromise>
#include <QThread>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

namespace serial {
// One call waiting for its turn on a service's thread.
class Call {
public:
    virtual ~Call() = default;
    virtual void run() = 0;
};

template <typename F> class CallOf final : public Call {
public:
    template <typename G> explicit CallOf(G&& call) : m_call(std::forward<G>(call)) {}
    void run() override { m_call(); }

private:
    F m_call;
};

// Queues `call` behind the earlier ones for the service `context`. When that
// service's thread has stopped (or it never had one) the call is destroyed at
// once, unrun.
void post(const QObject* context, std::unique_ptr<Call> call);
} // namespace serial

// Queues `call` to run on `context`'s thread, after every call posted to it
// before. `context` is a service living on a ServiceThread; once that thread
// has stopped the call is dropped at once, unrun, so whatever it would have
// answered finishes cancelled instead of waiting for ever.
template <typename F> void postSerial(QObject* context, F&& call)
{
    serial::post(context, std::make_unique<serial::CallOf<std::decay_t<F>>>(std::forward<F>(call)));
}

namespace serial {
// A promise that the calls answering it share. Storing the result, finishing
// (which runs or sends on the continuations) and letting go of it are Qt's
// hand-overs: the future's holder reads and frees what Qt put there, in Qt's
// locks and reference counts (see tsan::IgnoreAccesses).
template <typename T> class Promise {
public:
    Promise() : m_promise(std::make_shared<QPromise<T>>()) { m_promise->start(); }
    Promise(const Promise&) = default;
    Promise(Promise&&) noexcept = default;
    Promise& operator=(const Promise&) = delete;
    Promise& operator=(Promise&&) = delete;
    ~Promise()
    {
        const tsan::IgnoreAccesses handOver;
        m_promise.reset();
    }

    QFuture<T> future() const { return m_promise->future(); }
    template <typename U> void finish(U&& result) const
    {
        const tsan::IgnoreAccesses handOver;
        m_promise->addResult(std::forward<U>(result));
        m_promise->finish();
    }
    void finish() const
    {
        const tsan::IgnoreAccesses handOver;
        m_promise->finish();
    }

private:
    std::shared_ptr<QPromise<T>> m_promise;
};

// Runs `work` and answers through `promise`; the work itself stays in view.
template <typename T, typename F> class Answer {
public:
    Answer(Promise<T> promise, F work) : m_promise(std::move(promise)), m_work(std::move(work)) {}

    void operator()()
    {
        if constexpr (std::is_void_v<T>) {
            m_work();
            m_promise.finish();
        } else {
            m_promise.finish(m_work());
        }
    }

private:
    Promise<T> m_promise;
    F m_work;
};
} // namespace serial

// Runs `work` as a queued call on `context`'s thread, in arrival order, and
// hands its result back through a future. When the thread has stopped, or
// stops before the call runs, the future finishes cancelled.
template <typename T, typename F> QFuture<T> runSerial(QObject* context, F&& work)
{
    serial::Promise<T> promise;
    QFuture<T> future = promise.future();
    postSerial(context,
               serial::Answer<T, std::decay_t<F>>(std::move(promise), std::forward<F>(work)));
    return future;
}

namespace serial {
class CallQueue;
}

// Owns the thread a serial service lives on, and the queue of calls posted to
// it. The service object is moved to the thread at construction; `stop` ends
// the thread and drops the calls still waiting and those that arrive later.
class ServiceThread {
public:
    explicit ServiceThread(QObject* service, const char* name);
    ~ServiceThread();
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    void stop();
    QThread* thread() { return &*m_thread; }

private:
    QObject* m_service;
    std::optional<QThread> m_thread;
    std::shared_ptr<serial::CallQueue> m_queue;
};
