// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Workspace.h"
#include "TestSupport.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QProcess>
#include <QUrl>
#include <gtest/gtest.h>

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

TEST(SystemWorkspace, ShowsItemsOverDBusAndOpensTheFolderWithoutAFileManager)
{
    // A session bus of our own, set up before this process first asks for one.
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    ASSERT_TRUE(daemon.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return daemon.canReadLine(); }));
    const QByteArray address = daemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &sink, "open");
    auto workspace = makeSystemWorkspace();
    const QString dir = testenv::freshFolder(QStringLiteral("reveal"));
    const QString file = testenv::writeFile(dir + QStringLiteral("/a file #1.pdf"));

    // Nobody owns org.freedesktop.FileManager1 yet: the parent folder opens.
    workspace->revealInFileManager({file});
    ASSERT_TRUE(waitUntil([&] { return !sink.opened.isEmpty(); }));
    EXPECT_EQ(sink.opened, QList<QUrl>{QUrl::fromLocalFile(dir)});

    QDBusConnection service =
        QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("fake-fm"));
    ASSERT_TRUE(service.isConnected());
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    workspace->revealInFileManager({file});
    ASSERT_TRUE(waitUntil([&] { return !manager.shown.isEmpty(); }));
    EXPECT_EQ(manager.shown.first(),
              QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
    EXPECT_EQ(sink.opened.size(), 1); // no fallback this time

    EXPECT_TRUE(workspace->openFile(file));
    EXPECT_EQ(sink.opened.last(), QUrl::fromLocalFile(file));

    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-fm"));
    daemon.terminate();
    daemon.waitForFinished();
}

} // namespace

#include "WorkspaceTest.moc"
