// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/NameRules.h"

#include <QRegularExpression>

namespace names {

bool isIgnoredName(const QString& name)
{
    if (name.startsWith(QLatin1Char('.')))
        return true;
    return isPartialDownload(name);
}

bool isPartialDownload(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = name.mid(dot + 1).toLower();
    return extension == QLatin1String("crdownload") || extension == QLatin1String("part") ||
           extension == QLatin1String("download");
}

bool matchesSandboxTemp(const QString& name)
{
    static const QRegularExpression sandboxTempPattern(
        QStringLiteral("\\.sb-[0-9a-fA-F]+-[0-9a-zA-Z]+$"));
    return sandboxTempPattern.match(name).hasMatch();
}

QString nameOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

} // namespace names
