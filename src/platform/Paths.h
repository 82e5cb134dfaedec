// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace paths {

// $XDG_DATA_HOME/Vantle (the store's folder).
QString dataDirectory();
// $XDG_DATA_HOME/Vantle/Vantle.store
QString storeFile();
// $XDG_CONFIG_HOME/Vantle/Vantle.conf
QString settingsFile();
// $XDG_CONFIG_HOME/autostart/vantle.desktop
QString autostartFile();
// The user's Downloads folder from the XDG user dirs, else ~/Downloads.
// Computed once per process, on first use.
const QString& downloadsPath();

} // namespace paths
