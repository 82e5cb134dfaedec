// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace paths {

// $XDG_DATA_HOME/Vantle (the store's folder).
QString dataDirectory();
// $XDG_DATA_HOME/Vantle/Vantle.store
QString storeFile();
// $XDG_CONFIG_HOME/Vantle/Vantle.conf
QString settingsFile();
// $XDG_CONFIG_HOME/autostart/vantle.desktop
QString autostartFile();
// $XDG_CONFIG_HOME/Vantle (the settings' folder).
QString configDirectory();
// The user's Downloads folder from the XDG user dirs, else ~/Downloads.
// Computed once per process, on first use.
const QString& downloadsPath();
// The same, worked out afresh from the user-dirs file at each call.
QString resolveDownloadsPath();
// Whether `location` may be watched as Downloads: an absolute path, not the
// home folder nor a folder holding it, and not a folder that is, holds or lies
// inside one of `ownFolders` (Vantle's data and configuration). Symbolic
// links count as the folders they lead to.
bool adoptableAsDownloads(const QString& location, const QString& home,
                          const QStringList& ownFolders);

} // namespace paths
