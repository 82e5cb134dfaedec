// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "watcher/FileEvent.h"

#include <QMutex>
#include <QPointer>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

class QObject;

// The hand-over from the monitor to the reconciler: unbounded and ordered, so
// a slow consumer never makes the producer drop an event. The consumer is told
// on its own thread when events are waiting, once until it has taken them all.
class FileEventStream {
public:
    // Producer side (the monitor's continuation).
    void yield(std::vector<FileEvent> events);
    // Ends the sequence: the consumer takes what is left, then sees the end.
    void finish();

    // Consumer side. `ready` runs as a queued call on `context`'s thread.
    void attach(QObject* context, std::function<void()> ready);
    // The next event, or nothing when none is waiting. After nothing, the
    // consumer is told again when more arrive.
    std::optional<FileEvent> next();
    bool isFinished() const;
    std::size_t pending() const;

private:
    void notifyLocked();

    mutable QMutex m_mutex;
    std::deque<FileEvent> m_events;
    bool m_finished = false;
    bool m_notified = false;
    QPointer<QObject> m_context;
    std::function<void()> m_ready;
};
