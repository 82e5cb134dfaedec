// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/RecentlyUsed.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUrl>
#include <QXmlStreamReader>

QString recentlyused::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/recently-used.xbel");
}

QSet<QString> recentlyused::pathsSince(const QString& xbelPath, const QDateTime& since)
{
    QSet<QString> paths;
    QFile file(xbelPath);
    if (!file.open(QIODevice::ReadOnly))
        return paths;
    QXmlStreamReader xml(&file);
    const auto later = [&](const QXmlStreamAttributes& attributes, const char* name) {
        const QDateTime at =
            QDateTime::fromString(attributes.value(QLatin1String(name)).toString(), Qt::ISODate);
        return at.isValid() && at >= since;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            xml.name() != QLatin1String("bookmark"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (!later(attributes, "visited") && !later(attributes, "modified") &&
            !later(attributes, "added"))
            continue;
        const QUrl url(attributes.value(QLatin1String("href")).toString());
        if (url.isLocalFile())
            paths.insert(QDir::cleanPath(url.toLocalFile()));
    }
    return paths;
}
