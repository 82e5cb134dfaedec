// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

// The local files that desktop applications (GTK and KDE) noted as opened,
// from the freedesktop recently-used bookmark file.
namespace recentlyused {

// $XDG_DATA_HOME/recently-used.xbel
QString defaultPath();

// The paths of the files added, visited or modified at or after `since`. A missing
// or malformed file gives what could be read before the fault. Streaming:
// the file is never held whole.
QSet<QString> pathsSince(const QString& xbelPath, const QDateTime& since);

} // namespace recentlyused
