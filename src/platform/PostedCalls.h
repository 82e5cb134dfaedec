// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

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
