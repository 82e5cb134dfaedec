// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Serial.h"

#include <QObject>
#include <deque>
#include <memory>
#include <mutex>

namespace serial {

// The calls waiting for one service, in arrival order. The call itself goes
// through this queue's mutex; Qt's event queue only carries the news that one
// is waiting (runNext, invoked by name, so no data of ours rides in the
// event). ThreadSanitizer sees the mutex, not Qt's locks, so it orders each
// call after whatever its poster did before.
class CallQueue final : public QObject {
    Q_OBJECT

public:
    // Queues `call` and has runNext invoked on this object's thread. A closed
    // queue takes nothing: the call is handed back.
    std::unique_ptr<Call> push(std::unique_ptr<Call> call);
    // Takes no more calls; hands back those still waiting.
    std::deque<std::unique_ptr<Call>> close();

private:
    Q_INVOKABLE void runNext();

    std::mutex m_mutex;
    std::deque<std::unique_ptr<Call>> m_calls;
    bool m_closed = false;
};

} // namespace serial
