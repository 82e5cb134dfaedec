// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Workspace.h"

#include "platform/BusSend.h"
#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");
const QString fileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// Opens each distinct parent folder once.
void openParentFolders(const QStringList& paths)
{
    QStringList opened;
    for (const QString& path : paths) {
        const QString parent = QFileInfo(path).absolutePath();
        if (opened.contains(parent))
            continue;
        opened.append(parent);
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(parent)))
            VANTLE_DIAG(lcPlatform, QStringLiteral("Could not open folder ") + parent);
    }
}

class SystemWorkspace final : public Workspace {
public:
    void revealInFileManager(const QStringList& paths) override
    {
        if (paths.isEmpty())
            return;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            openParentFolders(paths);
            return;
        }
        QStringList uris;
        for (const QString& path : paths)
            uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
        QDBusMessage call = QDBusMessage::createMethodCall(
            fileManagerService, fileManagerPath, fileManagerService, QStringLiteral("ShowItems"));
        call << uris << QString();
        auto* watcher = new QDBusPendingCallWatcher(bussend::callLater(bus, call));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                         [paths](QDBusPendingCallWatcher* finished) {
                             finished->deleteLater();
                             if (!finished->isError())
                                 return;
                             VANTLE_DIAG(lcPlatform, QStringLiteral("ShowItems failed: ") +
                                                         finished->error().message());
                             openParentFolders(paths);
                         });
    }

    bool openFile(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
};

} // namespace

std::shared_ptr<Workspace> makeSystemWorkspace()
{
    return std::make_shared<SystemWorkspace>();
}
