// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Serial.h"

#include "platform/SerialQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaMethod>
#include <unordered_map>

namespace serial {
namespace {

// Which queue serves which service, while its thread runs.
struct Registry {
    std::mutex mutex;
    std::unordered_map<const QObject*, std::shared_ptr<CallQueue>> queues;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

std::shared_ptr<CallQueue> queueOf(const QObject* service)
{
    Registry& all = registry();
    const std::lock_guard lock(all.mutex);
    const auto found = all.queues.find(service);
    return found == all.queues.end() ? nullptr : found->second;
}

} // namespace

std::unique_ptr<Call> CallQueue::push(std::unique_ptr<Call> call)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed)
            return call;
        m_calls.push_back(std::move(call));
    }
    static const QMetaMethod runNext =
        staticMetaObject.method(staticMetaObject.indexOfMethod("runNext()"));
    // Qt allocates the event here and frees it on the receiving thread.
    const tsan::IgnoreAccesses handOver;
    runNext.invoke(this, Qt::QueuedConnection);
    return nullptr;
}

std::deque<std::unique_ptr<Call>> CallQueue::close()
{
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    return std::exchange(m_calls, {});
}

void CallQueue::runNext()
{
    // One call per invocation, as each push queued one: other events for the
    // thread keep their place between the calls.
    std::unique_ptr<Call> call;
    {
        const std::lock_guard lock(m_mutex);
        if (m_calls.empty())
            return;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    call->run();
}

void post(const QObject* context, std::unique_ptr<Call> call)
{
    if (const std::shared_ptr<CallQueue> queue = queueOf(context))
        call = queue->push(std::move(call));
    // Dropped here, outside every lock: its promise cancels, and what runs on
    // that may post again.
    call.reset();
}

} // namespace serial

ServiceThread::ServiceThread(QObject* service, const char* name)
    : m_service(service), m_queue(std::make_shared<serial::CallQueue>())
{
    m_thread.emplace();
    m_thread->setObjectName(QString::fromLatin1(name));
    // The thread's last act of ours: everything it did happens before `stop`
    // finds it ended, which Qt tells under its own locks.
    QObject::connect(&*m_thread, &QThread::finished, [this] { tsan::release(this); });
    service->moveToThread(&*m_thread);
    m_queue->moveToThread(&*m_thread);
    {
        serial::Registry& all = serial::registry();
        const std::lock_guard lock(all.mutex);
        all.queues[service] = m_queue;
    }
    m_thread->start();
}

ServiceThread::~ServiceThread()
{
    stop();
    m_queue.reset();
    // QThread wakes its waiters after `finished`, on the ending thread, and
    // frees what it woke them with here, ordered by its own lock.
    const tsan::IgnoreAccesses handOver;
    m_thread.reset();
}

void ServiceThread::stop()
{
    if (m_thread->isRunning()) {
        m_thread->quit();
        m_thread->wait();
    }
    tsan::acquire(this);
    {
        serial::Registry& all = serial::registry();
        const std::lock_guard lock(all.mutex);
        all.queues.erase(m_service);
    }
    // Calls that came too late for the loop: their futures end now,
    // cancelled, while their callers still exist. A poster that found the
    // queue just before it left the registry finds it closed.
    std::deque<std::unique_ptr<serial::Call>> late = m_queue->close();
    late.clear();
    // Queued calls of Qt's own (continuations, queued signals) go the same way.
    QCoreApplication::removePostedEvents(m_service, QEvent::MetaCall);
}
