// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// Hands files to the desktop: the file manager and the default applications.
// All calls are made from the main thread and return at once.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Shows the items in the file manager with them selected. Without a file
    // manager that answers on D-Bus, opens their parent folders instead.
    virtual void revealInFileManager(const QStringList& paths) = 0;
    // Opens a file in its default application; false when no handler took it.
    virtual bool openFile(const QString& path) = 0;
};

// The desktop's own: org.freedesktop.FileManager1 and QDesktopServices.
std::shared_ptr<Workspace> makeSystemWorkspace();
