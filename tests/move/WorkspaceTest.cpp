// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Workspace.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>
#include <csignal>
#include <sys/prctl.h>

namespace {

// Stands in for the file manager on a private bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }
};

// Receives what QDesktopServices would hand to the desktop.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

// A session bus of our own, started before this process first asks for one
// (Qt keeps its first session connection) and stopped after the last test.
// Only the test that needs it starts it.
class PrivateSessionBus : public testing::Environment {
public:
    QByteArray address()
    {
        if (m_address.isEmpty()) {
            m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
            m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
            EXPECT_TRUE(m_daemon.waitForStarted());
            EXPECT_TRUE(waitUntil([&] { return m_daemon.canReadLine(); }));
            m_address = m_daemon.readLine().trimmed();
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
        }
        return m_address;
    }
    void TearDown() override
    {
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

private:
    QProcess m_daemon;
    QByteArray m_address;
};

auto* const sessionBus =
    static_cast<PrivateSessionBus*>(testing::AddGlobalTestEnvironment(new PrivateSessionBus));

TEST(SystemWorkspace, ShowsItemsOverDBusAndOpensTheFolderWithoutAFileManager)
{
    const QByteArray address = sessionBus->address();
    ASSERT_FALSE(address.isEmpty());
    UrlSink sink;
    QDesktopServices::setUrlHandler("file", &sink, "open");
    auto workspace = makeSystemWorkspace();
    const QString dir = testenv::freshFolder("reveal");
    const QString file = testenv::writeFile(dir + "/a file #1.pdf");

    // Nobody owns org.freedesktop.FileManager1 yet: the parent folder opens.
    workspace->revealInFileManager({file});
    ASSERT_TRUE(waitUntil([&] { return !sink.opened.isEmpty(); }));
    EXPECT_EQ(sink.opened, QList<QUrl>{QUrl::fromLocalFile(dir)});

    QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(address), "fake-fm");
    ASSERT_TRUE(service.isConnected());
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    workspace->revealInFileManager({file});
    ASSERT_TRUE(waitUntil([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown.first(),
              QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
    EXPECT_EQ(sink.opened.size(), 1); // no fallback this time

    QDesktopServices::unsetUrlHandler("file");
    service.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("fake-fm");
}

} // namespace

#include "WorkspaceTest.moc"
