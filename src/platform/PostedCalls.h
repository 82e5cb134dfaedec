// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Tsan.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <utility>

// Delivers the calls posted to `receiver` (every receiver when null) on this
// thread, and those they post in turn: an answer delivered through
// `.then(context, …)` posts the call of a following `.onCanceled(context, …)`.
// Once the services have stopped nothing else posts them, so the chains are
// short; a call left behind would be dropped with its receiver, cancelling a
// continuation whose context is already gone (Qt asserts on that).
inline void deliverPostedCalls(QObject* receiver = nullptr)
{
    constexpr int longestChain = 8;
    for (int link = 0; link < longestChain; ++link)
        QCoreApplication::sendPostedEvents(receiver, QEvent::MetaCall);
}

// Queues `call` to run on `context`'s thread. Qt's event queue orders it after
// what this thread did so far, under Qt's own locks; declared here to
// ThreadSanitizer.
template <typename F> void postCall(QObject* context, F&& call)
{
    auto queued = tsan::handedOver(std::forward<F>(call));
    // Qt copies the call into its event here, and runs and frees it there.
    const tsan::IgnoreAccesses handOver;
    QMetaObject::invokeMethod(context, std::move(queued), Qt::QueuedConnection);
}
