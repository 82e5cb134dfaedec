// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Tsan.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

// Every message goes out through these. QtDBus marshals it here into
// libdbus's buffers and its own thread writes them to the bus, ordered by
// QtDBus's locks: that stretch is Qt's alone (see tsan::IgnoreAccesses).
namespace bussend {

inline QDBusPendingCall callLater(const QDBusConnection& bus, const QDBusMessage& message)
{
    const tsan::IgnoreAccesses handOver;
    return bus.asyncCall(message);
}

inline QDBusMessage callAndWait(const QDBusConnection& bus, const QDBusMessage& message,
                                int timeoutMs)
{
    const tsan::IgnoreAccesses handOver;
    return bus.call(message, QDBus::Block, timeoutMs);
}

inline bool send(const QDBusConnection& bus, const QDBusMessage& message)
{
    const tsan::IgnoreAccesses handOver;
    return bus.send(message);
}

} // namespace bussend
