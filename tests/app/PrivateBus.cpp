// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateBus.h"

#include "app/BusProtocol.h"

#include <QDir>
#include <QProcess>
#include <csignal>
#include <sys/prctl.h>

namespace {

class PrivateSessionBus : public testing::Environment {
public:
    void SetUp() override
    {
        // Were the program started by the bus, this file would show it.
        const QString services = qEnvironmentVariable("XDG_DATA_HOME") + "/dbus-1/services";
        QDir().mkpath(services);
        testenv::writeFile(services + "/app.vantle.Vantle.service",
                           "[D-BUS Service]\nName=app.vantle.Vantle\nExec=/usr/bin/touch " +
                               privatebus::activationMarker().toUtf8() + "\n");
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(waitUntil([&] { return m_daemon.canReadLine(); }))
            << "dbus-daemon did not start";
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_daemon.readLine().trimmed());
    }
    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("test-client");
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

private:
    QProcess m_daemon;
};

[[maybe_unused]] const auto* const environment =
    testing::AddGlobalTestEnvironment(new PrivateSessionBus);

} // namespace

QString privatebus::activationMarker()
{
    return testenv::home() + "/started-by-the-bus";
}

QDBusConnection privatebus::client()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, "test-client");
}

QDBusMessage privatebus::call(const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                          bus::interfaceName, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = client().asyncCall(message);
    EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); })) << method.toStdString();
    return pending.reply();
}
