// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FreeName.h"

#include "platform/FileSystem.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace freename {

namespace {

// The longest name the folder's file system takes, in bytes.
int nameMax(const QString& folder)
{
    const long max = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return max > 0 && max < 4096 ? int(max) : 255;
}

QString inFolder(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The extension follows the last dot, unless the dot starts or ends the name.
qsizetype extensionDot(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && dot < name.size() - 1 ? dot : -1;
}

} // namespace

QString fitted(const QString& name, const QString& suffix, int maxBytes)
{
    const qsizetype dot = extensionDot(name);
    const QByteArray stem = (dot < 0 ? name : name.left(dot)).toUtf8();
    const QByteArray tail = (suffix + (dot < 0 ? QString() : name.mid(dot))).toUtf8();
    if (stem.size() + tail.size() <= maxBytes)
        return name.left(dot < 0 ? name.size() : dot) + suffix +
               (dot < 0 ? QString() : name.mid(dot));
    qsizetype keep = maxBytes - tail.size();
    // Never cut into a character: back off over its continuation bytes.
    while (keep > 0 && (quint8(stem.at(keep)) & 0xC0) == 0x80)
        --keep;
    if (keep <= 0)
        return {};
    return QString::fromUtf8(stem.left(keep)) + QString::fromUtf8(tail);
}

Result in(const QString& folder, const QString& name)
{
    const int maxBytes = nameMax(folder);
    for (int n = 1; n <= maximumNumber; ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(" (%1)").arg(n);
        const QString candidate = fitted(name, suffix, maxBytes);
        if (candidate.isEmpty())
            return {{}, QStringLiteral("“%1” is too long for a name in %2").arg(name, folder)};
        const QString path = inFolder(folder, candidate);
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
            continue;
        const int error = errno;
        if (error == ENOENT)
            return {path, {}};
        // Another number would meet the same answer.
        return {{},
                QStringLiteral("cannot look for a free name in %1: %2")
                    .arg(folder, fs::errorText(error))};
    }
    return {{},
            QStringLiteral("%1 already holds “%2” and its numbered names up to (%3)")
                .arg(folder, name)
                .arg(maximumNumber)};
}

} // namespace freename
