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
// The spellings of a folder: as given, and where its links lead when it exists.
QStringList formsOf(const QString& folder)
{
    QStringList forms{QDir::cleanPath(folder)};
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty() && canonical != forms.first())
        forms.append(canonical);
    return forms;
}

bool isSameOrInside(const QString& inner, const QString& outer)
{
    return inner == outer || outer == QStringLiteral("/") ||
           inner.startsWith(outer + QLatin1Char('/'));
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

QString configDirectory()
{
    return genericConfig() + QStringLiteral("/Vantle");
}

QString settingsFile()
{
    return configDirectory() + QStringLiteral("/Vantle.conf");
}

bool adoptableAsDownloads(const QString& location, const QString& home,
                          const QStringList& ownFolders)
{
    // The user-dirs file may hold any text; a relative one would follow the working folder.
    if (!QDir::isAbsolutePath(location))
        return false;
    for (const QString& place : formsOf(location)) {
        for (const QString& homeForm : formsOf(home)) {
            if (isSameOrInside(homeForm, place))
                return false;
        }
        for (const QString& own : ownFolders) {
            for (const QString& ownForm : formsOf(own)) {
                if (isSameOrInside(ownForm, place) || isSameOrInside(place, ownForm))
                    return false;
            }
        }
    }
    return true;
}

QString autostartFile()
{
    return genericConfig() + QStringLiteral("/autostart/vantle.desktop");
}

QString resolveDownloadsPath()
{
    const QString fallback = QDir::homePath() + QStringLiteral("/Downloads");
    QString location =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    if (location.isEmpty() || location == QStringLiteral("."))
        return fallback;
    // The user-dirs file points Downloads at the home folder (as after
    // Downloads was deleted) or at Vantle's own files: neither is adopted.
    if (!adoptableAsDownloads(location, QDir::homePath(), {dataDirectory(), configDirectory()})) {
        QDir().mkpath(fallback);
        std::fprintf(stderr, "Vantle: the Downloads folder resolves to %s; using %s\n",
                     qPrintable(location), qPrintable(fallback));
        return fallback;
    }
    return location;
}

const QString& downloadsPath()
{
    static const QString path = resolveDownloadsPath();
    return path;
}

} // namespace paths
