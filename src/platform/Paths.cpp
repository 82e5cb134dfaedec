// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>

namespace paths {

namespace {
QString genericData()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}
QString genericConfig()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}
} // namespace

QString dataDirectory()
{
    return genericData() + QStringLiteral("/Vantle");
}

QString storeFile()
{
    return dataDirectory() + QStringLiteral("/Vantle.store");
}

QString settingsFile()
{
    return genericConfig() + QStringLiteral("/Vantle/Vantle.conf");
}

QString autostartFile()
{
    return genericConfig() + QStringLiteral("/autostart/vantle.desktop");
}

const QString& downloadsPath()
{
    static const QString path = [] {
        QString location = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        if (location.isEmpty())
            location = QDir::homePath() + QStringLiteral("/Downloads");
        while (location.size() > 1 && location.endsWith(QLatin1Char('/')))
            location.chop(1);
        return location;
    }();
    return path;
}

} // namespace paths
