// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/FileEvent.h"

#include <QStringList>

QString FSEventFlags::description() const
{
    static const std::pair<std::uint32_t, const char*> names[] = {
        {created, "created"},   {removed, "removed"},         {renamed, "renamed"},
        {modified, "modified"}, {isFile, "isFile"},           {isDir, "isDir"},
        {mustScan, "mustScan"}, {rootChanged, "rootChanged"},
    };
    QStringList words;
    for (const auto& [bit, word] : names) {
        if (rawValue & bit)
            words.append(QLatin1String(word));
    }
    return words.join(QStringLiteral(", "));
}
