// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TrashInfo.h"

#include <QUrl>

std::optional<QString> trashinfo::notedPath(const QByteArray& contents)
{
    for (const QByteArray& line : contents.split('\n')) {
        if (line.startsWith("Path="))
            return QUrl::fromPercentEncoding(line.mid(5).trimmed());
    }
    return std::nullopt;
}
