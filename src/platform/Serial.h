// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFuture>
#include <QMetaObject>
#include <QObject>
#include <QPromise>
#include <QThread>
#include <memory>
#include <type_traits>
#include <utility>

// Runs `work` as a queued call on `context`'s thread, in arrival order, and
// hands its result back through a future. If the thread is gone before the
// call runs, the future finishes cancelled instead of hanging.
template <typename T, typename F> QFuture<T> runSerial(QObject* context, F&& work)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    QMetaObject::invokeMethod(
        context,
        [promise, work = std::forward<F>(work)]() mutable {
            if constexpr (std::is_void_v<T>) {
                work();
            } else {
                promise->addResult(work());
            }
            promise->finish();
        },
        Qt::QueuedConnection);
    return future;
}

// Owns the thread a serial service lives on. The service object is moved to
// the thread at construction; `stop` ends the thread after the work queued
// before it has run.
class ServiceThread {
public:
    explicit ServiceThread(QObject* service, const char* name)
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
        if (!m_thread.isRunning())
            return;
        m_thread.quit();
        m_thread.wait();
    }
    QThread* thread() { return &m_thread; }

private:
    QThread m_thread;
};
