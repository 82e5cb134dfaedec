// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Workspace.h"
#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QUrl>

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
    UrlSink sink;
    QDesktopServices::setUrlHandler("file", &sink, "open");
    auto workspace = makeSystemWorkspace();
    const QString dir = testenv::freshFolder("reveal");
    const QString file = testenv::writeFile(dir + "/a file #1.pdf");
    // Nobody owns org.freedesktop.FileManager1 yet: the parent folder opens.
    workspace->revealInFileManager({file});
    ASSERT_TRUE(waitUntil([&] { return !sink.opened.isEmpty(); }));
    EXPECT_EQ(sink.opened, QList<QUrl>{QUrl::fromLocalFile(dir)});
    QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-fm");
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
