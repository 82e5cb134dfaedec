// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ContinuousTimer.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"

#include <QSocketNotifier>
#include <cerrno>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

namespace {

timespec toTimespec(ContinuousTimer::Clock value)
{
    timespec setting{};
    setting.tv_sec = time_t(value.count() / 1'000'000'000);
    setting.tv_nsec = long(value.count() % 1'000'000'000);
    return setting;
}

} // namespace

ContinuousTimer::ContinuousTimer(QObject* parent) : QObject(parent)
{
    m_fd = ::timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0) {
        VANTLE_DIAG(lcPlatform, QStringLiteral("ContinuousTimer: timerfd_create failed: ") +
                                    fs::errorText(errno));
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ContinuousTimer::onReadable);
}

ContinuousTimer::~ContinuousTimer()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

ContinuousTimer::Clock ContinuousTimer::now()
{
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return Clock(std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
}

ContinuousTimer::TimerId ContinuousTimer::scheduleAt(Clock deadline, std::function<void()> callback)
{
    const TimerId id = m_nextId++;
    m_callbacks.emplace(id, std::move(callback));
    m_heap.push({deadline, id});
    // Cancelled entries leave the heap lazily; rebuild it when they dominate.
    if (m_heap.size() > 64 && m_heap.size() > 2 * m_callbacks.size()) {
        std::vector<Entry> live;
        live.reserve(m_callbacks.size());
        while (!m_heap.empty()) {
            if (m_callbacks.count(m_heap.top().id))
                live.push_back(m_heap.top());
            m_heap.pop();
        }
        m_heap = decltype(m_heap)(std::greater<Entry>(), std::move(live));
    }
    if (m_heap.top().id == id)
        arm();
    return id;
}

ContinuousTimer::TimerId ContinuousTimer::scheduleAfter(std::chrono::nanoseconds delay,
                                                        std::function<void()> callback)
{
    if (delay < std::chrono::nanoseconds::zero())
        delay = std::chrono::nanoseconds::zero();
    return scheduleAt(now() + delay, std::move(callback));
}

bool ContinuousTimer::cancel(TimerId id)
{
    if (m_callbacks.erase(id) == 0)
        return false;
    // The kernel timer stays armed for a cancelled earliest deadline; the
    // wake-up then finds nothing due and re-arms for the next one.
    dropCancelledTop();
    return true;
}

void ContinuousTimer::cancelAll()
{
    m_callbacks.clear();
    m_heap = {};
    arm();
}

void ContinuousTimer::dropCancelledTop()
{
    while (!m_heap.empty() && !m_callbacks.count(m_heap.top().id))
        m_heap.pop();
}

void ContinuousTimer::onReadable()
{
    std::uint64_t expirations = 0;
    // Non-blocking: a wake-up for a deadline already disarmed reads nothing.
    [[maybe_unused]] const ssize_t got = ::read(m_fd, &expirations, sizeof expirations);
    m_armedFor = Clock(-1);
    runDue();
    arm();
}

void ContinuousTimer::runDue()
{
    const Clock current = now();
    std::vector<TimerId> due;
    while (!m_heap.empty() && m_heap.top().deadline <= current) {
        due.push_back(m_heap.top().id);
        m_heap.pop();
    }
    for (TimerId id : due) {
        // A callback may cancel a later one of this same batch.
        auto it = m_callbacks.find(id);
        if (it == m_callbacks.end())
            continue;
        std::function<void()> callback = std::move(it->second);
        m_callbacks.erase(it);
        callback();
    }
}

void ContinuousTimer::arm()
{
    if (m_fd < 0)
        return;
    dropCancelledTop();
    itimerspec setting{};
    if (!m_heap.empty()) {
        const Clock deadline = m_heap.top().deadline;
        if (deadline == m_armedFor)
            return;
        // An absolute time already past fires at once; zero would disarm.
        setting.it_value = toTimespec(std::max(deadline, Clock(1)));
        m_armedFor = deadline;
    } else {
        if (m_armedFor == Clock(-1))
            return;
        m_armedFor = Clock(-1);
    }
    if (::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &setting, nullptr) != 0)
        VANTLE_DIAG(lcPlatform, QStringLiteral("ContinuousTimer: timerfd_settime failed: ") +
                                    fs::errorText(errno));
}
