// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QFuture>
#include <QMetaObject>
#include <QObject>
#include <QPromise>
#include <QThread>
#include <memory>
#include <type_traits>
#include <utility>

// ThreadSanitizer cannot see Qt's event queue order a queued call after the
// code that posted it: the queue's lock lives in uninstrumented Qt. The
// hand-over is declared instead, so that only races of our own are reported.
#if defined(__SANITIZE_THREAD__)
#define VANTLE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VANTLE_TSAN 1
#endif
#endif
#ifdef VANTLE_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace tsan {
// What this thread did so far happens before whatever follows an acquire of `token`.
inline void release([[maybe_unused]] const void* token)
{
#ifdef VANTLE_TSAN
    __tsan_release(const_cast<void*>(token));
#endif
}
inline void acquire([[maybe_unused]] const void* token)
{
#ifdef VANTLE_TSAN
    __tsan_acquire(const_cast<void*>(token));
#endif
}
} // namespace tsan

// Queues `call` to run on `context`'s thread. A service whose thread has
// stopped never runs it: the call is dropped at once, unrun, so whatever it
// would have answered finishes cancelled instead of waiting for ever.
template <typename F> void postSerial(QObject* context, F&& call)
{
    // The receiver's queue is the token: like the queue itself, it orders
    // every earlier post before each call taken from it.
    tsan::release(context);
    QMetaObject::invokeMethod(
        context,
        [context, call = std::forward<F>(call)]() mutable {
            tsan::acquire(context);
            call();
        },
        Qt::QueuedConnection);
    // A thread that stops after this check drops the call itself (ServiceThread::stop).
    const QThread* thread = context->thread();
    if (!thread || thread->isFinished())
        QCoreApplication::removePostedEvents(context, QEvent::MetaCall);
}

// Runs `work` as a queued call on `context`'s thread, in arrival order, and
// hands its result back through a future. When the thread has stopped, or
// stops before the call runs, the future finishes cancelled.
template <typename T, typename F> QFuture<T> runSerial(QObject* context, F&& work)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    postSerial(context, [promise, work = std::forward<F>(work)]() mutable {
        if constexpr (std::is_void_v<T>) {
            work();
        } else {
            promise->addResult(work());
        }
        promise->finish();
    });
    return future;
}

// Owns the thread a serial service lives on. The service object is moved to
// the thread at construction; `stop` ends the thread after the work queued
// before it has run, and drops what arrives later (see postSerial).
class ServiceThread {
public:
    explicit ServiceThread(QObject* service, const char* name) : m_service(service)
    {
        m_thread.setObjectName(QString::fromLatin1(name));
        service->moveToThread(&m_thread);
        m_thread.start();
    }
    ~ServiceThread() { stop(); }
    ServiceThread(const ServiceThread&) = delete;
    ServiceThread& operator=(const ServiceThread&) = delete;

    void stop()
    {
        if (m_thread.isRunning()) {
            m_thread.quit();
            m_thread.wait();
        }
        // Calls that came too late for the loop: their futures end now,
        // cancelled, while their callers still exist.
        QCoreApplication::removePostedEvents(m_service, QEvent::MetaCall);
    }
    QThread* thread() { return &m_thread; }

private:
    QObject* m_service;
    QThread m_thread;
};
