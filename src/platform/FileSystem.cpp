// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs {

namespace {

std::optional<ItemStat> statItem(const QString& path, int flags)
{
    const QByteArray local = QFile::encodeName(path);
    struct statx sx {};
    const unsigned mask = STATX_INO | STATX_TYPE | STATX_SIZE | STATX_BTIME | STATX_CTIME;
    if (::statx(AT_FDCWD, local.constData(), flags, mask, &sx) != 0)
        return std::nullopt;
    ItemStat st;
    st.inode = sx.stx_ino;
    st.isDirectory = S_ISDIR(sx.stx_mode);
    st.isSymlink = S_ISLNK(sx.stx_mode);
    st.isRegular = S_ISREG(sx.stx_mode);
    st.size = static_cast<std::int64_t>(sx.stx_size);
    st.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    st.changeTime = QDateTime::fromMSecsSinceEpoch(
        qint64(sx.stx_ctime.tv_sec) * 1000 + qint64(sx.stx_ctime.tv_nsec) / 1000000, Qt::UTC);
    if (sx.stx_mask & STATX_BTIME) {
        const qint64 msecs =
            qint64(sx.stx_btime.tv_sec) * 1000 + qint64(sx.stx_btime.tv_nsec) / 1000000;
        st.birthTime = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    }
    return st;
}

} // namespace

std::optional<ItemStat> lstat(const QString& path)
{
    return statItem(path, AT_SYMLINK_NOFOLLOW);
}

std::optional<ItemStat> stat(const QString& path)
{
    return statItem(path, 0);
}

bool holdsItem(const QString& path, std::uint64_t inode)
{
    const auto st = lstat(path);
    return st && st->inode == inode;
}

Listing listDirectory(const QString& path)
{
    Listing listing;
    const QByteArray local = QFile::encodeName(path);
    DIR* dir = ::opendir(local.constData());
    if (!dir) {
        listing.error = errorText(errno);
        return listing;
    }
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        listing.names.emplace_back(name);
    }
    if (errno != 0)
        listing.error = errorText(errno);
    ::closedir(dir);
    return listing;
}

std::optional<QString> decodeName(const QByteArray& raw)
{
    QString text = QString::fromUtf8(raw);
    if (text.toUtf8() != raw)
        return std::nullopt;
    return text;
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace fs
