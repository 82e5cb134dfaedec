// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {

const QString watcherName = "org.kde.StatusNotifierWatcher";
const QString itemInterface = "org.kde.StatusNotifierItem";

// A StatusNotifierItem panel as Debian ships one, a watcher and a standalone
// host, on a session bus of the test's own that the program uses too. The
// parameter: the panel is there before the program starts.
class SniTrayTest : public ToastOnScreen, public testing::WithParamInterface<bool> {
protected:
    void prepare(VantleProcess& vantle) override
    {
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(m_daemon.waitForStarted()) << "dbus-daemon did not start";
        ASSERT_TRUE(waitUntil([&] { return m_daemon.canReadLine(); }));
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        vantle.environment().insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        m_bus = QDBusConnection::connectToBus(m_address, "sni-test");
        ASSERT_TRUE(m_bus.isConnected());
        if (GetParam())
            startPanel();
    }
    void TearDown() override
    {
        stopPanel();
        ToastOnScreen::TearDown();
        m_bus = QDBusConnection("");
        QDBusConnection::disconnectFromBus("sni-test");
        stop(m_daemon);
    }

    void startPanel()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        environment.insert("NO_AT_BRIDGE", "1"); // no accessibility bus on the test's bus
        for (QProcess* process : {&m_watcher, &m_host}) {
            process->setProcessEnvironment(environment);
            process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        }
        m_watcher.start("status-notifier-watcher", {});
        m_host.start("gtk-sni-tray-standalone", {"--top"});
        ASSERT_TRUE(m_watcher.waitForStarted() && m_host.waitForStarted());
        // A panel is clicked once it shows; a popover opened before the
        // panel's window maps may be closed by its mapping.
        ASSERT_TRUE(waitUntil([&] {
            return !runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                        QString::number(m_host.processId())})
                        .isEmpty();
        })) << "the panel did not show";
    }
    void stopPanel()
    {
        stop(m_host);
        stop(m_watcher);
    }

    QString itemName() const
    {
        return QString("org.kde.StatusNotifierItem-%1-vantle").arg(m_process.processId());
    }
    // Calls a method and waits up to 2 s for the answer.
    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return m_bus.call(message, QDBus::Block, 2000);
    }
    QVariant property(const QString& service, const QString& path, const QString& interface,
                      const QString& name)
    {
        const QDBusMessage reply =
            call(service, path, "org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.arguments().isEmpty()
                   ? QVariant()
                   : qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    }
    QStringList registeredItems()
    {
        return property(watcherName, "/StatusNotifierWatcher", watcherName,
                        "RegisteredStatusNotifierItems")
            .toStringList();
    }
    // A left click as the panel reports it, at a point on the screen.
    void activate(QPoint at)
    {
        EXPECT_EQ(
            call(itemName(), "/StatusNotifierItem", itemInterface, "Activate", {at.x(), at.y()})
                .type(),
            QDBusMessage::ReplyMessage);
    }
    // The id of the item labelled `label` in the icon's exported menu, or -1.
    int menuItem(const QString& label)
    {
        const QDBusMessage reply = call(itemName(), "/MenuBar", "com.canonical.dbusmenu",
                                        "GetLayout", {0, -1, QStringList()});
        if (reply.arguments().size() != 2)
            return -1;
        const auto root = qvariant_cast<QDBusArgument>(reply.arguments()[1]);
        // Every begin is ended: a reader left inside a structure or array
        // keeps the reply's message alive.
        int id = -1;
        int found = -1;
        QVariantMap properties;
        root.beginStructure();
        root >> id >> properties;
        root.beginArray();
        while (!root.atEnd()) {
            QDBusVariant child;
            root >> child;
            const auto item = qvariant_cast<QDBusArgument>(child.variant());
            item.beginStructure();
            item >> id >> properties;
            item.endStructure();
            if (found < 0 && properties.value("label").toString() == label)
                found = id;
        }
        root.endArray();
        root.endStructure();
        return found;
    }
    QString popoverWindow()
    {
        return windowsWhere([](QSize size) { return size == QSize(360, 440); }).value(0);
    }

    QProcess m_daemon, m_watcher, m_host;
    QString m_address;
    QDBusConnection m_bus{""};
};

} // namespace

TEST_P(SniTrayTest, APanelThatStartsFirstLateOrRestartsGetsTheIconItsClickPlacesThePopoverAndQuits)
{
    // Far from every point the panel names, so that opening at the pointer shows.
    runTool("xdotool", {"mousemove", "100", "540"});
    const struct {
        QPoint click;
        bool below; // a panel along the top, else along the bottom
    } rounds[] = {{{1000, 300}, true}, {{1900, 1000}, false}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.click.y());
        // The first round uses the panel that started first, or starts one
        // after the program; the second replaces it.
        if (&round != &rounds[0] || !GetParam()) {
            stopPanel();
            startPanel();
        }
        ASSERT_TRUE(waitUntil([&] { return registeredItems().contains(itemName()); }))
            << registeredItems().join(' ').toStdString();
        EXPECT_EQ(property(itemName(), "/StatusNotifierItem", itemInterface, "IconName").toString(),
                  "app.vantle.Vantle");
        activate(round.click);
        QString window;
        const auto shown = [&] { return !(window = popoverWindow()).isEmpty(); };
        // A panel that has just started can take the focus, and with it the
        // popover, as its window settles: the user clicks again.
        if (!waitUntil(shown, std::chrono::seconds(3)))
            activate(round.click);
        ASSERT_TRUE(waitUntil(shown));
        const QRect frame = frameOf(window);
        const int x = round.click.x(), y = round.click.y();
        EXPECT_TRUE(frame.left() <= x && x <= frame.right()) << frame.left() << " " << x;
        EXPECT_LE(frame.right(), 1919);
        if (round.below) {
            EXPECT_NEAR(frame.center().x(), x, 1);
            EXPECT_GT(frame.top(), y);
            EXPECT_LE(frame.top(), y + 9);
        } else {
            EXPECT_LT(frame.bottom(), y);
            EXPECT_GE(frame.bottom(), y - 9);
        }
        activate(round.click); // a second click closes it
        ASSERT_TRUE(waitUntil([&] { return popoverWindow().isEmpty(); }));
    }
    // The panel draws the menu itself: its "Quit Vantle" ends the program cleanly.
    const int quit = menuItem("Quit Vantle");
    ASSERT_GT(quit, 0);
    EXPECT_EQ(call(itemName(), "/MenuBar", "com.canonical.dbusmenu", "Event",
                   {quit, QString("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u})
                  .type(),
              QDBusMessage::ReplyMessage);
    expectCleanExit(m_process);
}

INSTANTIATE_TEST_SUITE_P(PanelFirstOrLate, SniTrayTest, testing::Bool());
