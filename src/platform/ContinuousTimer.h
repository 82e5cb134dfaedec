// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <queue>
#include <unordered_map>
#include <vector>

class QSocketNotifier;

// Deadlines on the clock that keeps counting while the machine is suspended.
// One kernel timer serves every deadline of its owner: the deadlines sit in a
// heap and the timer is armed for the earliest, so a hundred thousand pending
// deadlines cost no descriptors and the thread wakes only when one is due.
//
// Lives on the thread that created it (or the one it is moved to with its
// parent); callbacks run there, in deadline order. Create, use and destroy it
// on that thread.
class ContinuousTimer : public QObject {
    Q_OBJECT
public:
    using Clock = std::chrono::nanoseconds; // time since boot, suspend included
    using TimerId = std::uint64_t;          // never 0

    explicit ContinuousTimer(QObject* parent = nullptr);
    ~ContinuousTimer() override;

    // The continuous clock's current reading.
    static Clock now();

    // Runs `callback` once when the clock reaches `deadline` (at once when it
    // has already passed). Returns the handle for `cancel`.
    TimerId scheduleAt(Clock deadline, std::function<void()> callback);
    TimerId scheduleAfter(std::chrono::nanoseconds delay, std::function<void()> callback);
    // Forgets a pending deadline; its callback never runs. False when it
    // already ran or was cancelled.
    bool cancel(TimerId id);
    void cancelAll();

    std::size_t pendingCount() const { return m_callbacks.size(); }
    // False when the kernel timer could not be created (callbacks never run).
    bool isValid() const { return m_fd >= 0; }

private:
    struct Entry {
        Clock deadline;
        TimerId id;
        // Earliest first; equal deadlines in the order they were scheduled.
        bool operator>(const Entry& other) const
        {
            return deadline != other.deadline ? deadline > other.deadline : id > other.id;
        }
    };

    void onReadable();
    void runDue();
    void arm();
    void dropCancelledTop();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> m_heap;
    std::unordered_map<TimerId, std::function<void()>> m_callbacks;
    TimerId m_nextId = 1;
    Clock m_armedFor{-1};
};
