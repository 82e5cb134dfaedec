// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QObject>

// Every test of this folder runs on a session bus of its own: a dbus-daemon
// started before any test and stopped after the last, its address in
// DBUS_SESSION_BUS_ADDRESS before anything asks Qt for the session bus.
namespace privatebus {

// Appears when the bus starts the program for a call (its service file runs touch).
QString activationMarker();

// A second connection to the private bus, as another program would have.
QDBusConnection client();

// Calls a method of the running program from `client()` and waits for the
// answer while this thread goes on serving the program.
QDBusMessage call(const QString& method, const QVariantList& arguments = {});

} // namespace privatebus

class SignalCounter : public QObject {
    Q_OBJECT
public:
    int count = 0;
public Q_SLOTS:
    void received() { ++count; }
};
