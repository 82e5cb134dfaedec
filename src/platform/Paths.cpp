// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

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
        const QString fallback = QDir::homePath() + QStringLiteral("/Downloads");
        QString location =
            QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
        if (location.isEmpty() || location == QStringLiteral("."))
            return fallback;
        // The user-dirs file points Downloads at the home folder (as after
        // Downloads was deleted): the whole home is never adopted.
        const QString canonical = QFileInfo(location).canonicalFilePath();
        const QString home = QDir::homePath();
        if (location == home || canonical == QFileInfo(home).canonicalFilePath() ||
            QDir::cleanPath(home).startsWith(location + QLatin1Char('/')) ||
            location == QStringLiteral("/")) {
            QDir().mkpath(fallback);
            std::fprintf(stderr, "Vantle: the Downloads folder resolves to %s; using %s\n",
                         qPrintable(location), qPrintable(fallback));
            return fallback;
        }
        return location;
    }();
    return path;
}

} // namespace paths
