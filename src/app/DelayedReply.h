// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BusSend.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QVariant>

namespace bus {

// A D-Bus call that is answered once its work is done, from the main thread
// and without waiting on it. A copy answers the same call.
class DelayedReply {
public:
    explicit DelayedReply(const QDBusContext& context)
        : m_connection(context.connection()), m_call(context.message())
    {
        context.setDelayedReply(true);
    }

    void reply(const QVariantList& values = {}) const
    {
        bussend::send(m_connection, m_call.createReply(values));
    }
    void fail(const QString& name, const QString& text) const
    {
        bussend::send(m_connection, m_call.createErrorReply(name, text));
    }

private:
    QDBusConnection m_connection;
    QDBusMessage m_call;
};

} // namespace bus
