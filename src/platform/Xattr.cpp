// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Xattr.h"

#include <QFile>
#include <sys/xattr.h>

namespace xattr {

std::optional<QByteArray> get(const QString& path, const char* name)
{
    const QByteArray local = QFile::encodeName(path);
    // The value may change between the size query and the read; retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::lgetxattr(local.constData(), name, nullptr, 0);
        if (size < 1)
            return std::nullopt;
        QByteArray buffer(size, Qt::Uninitialized);
        const ssize_t read = ::lgetxattr(local.constData(), name, buffer.data(), buffer.size());
        if (read >= 0) {
            buffer.truncate(read);
            return buffer;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    return std::nullopt;
}

bool set(const QString& path, const char* name, const QByteArray& value)
{
    const QByteArray local = QFile::encodeName(path);
    return ::lsetxattr(local.constData(), name, value.constData(), value.size(), 0) == 0;
}

bool remove(const QString& path, const char* name)
{
    const QByteArray local = QFile::encodeName(path);
    return ::lremovexattr(local.constData(), name) == 0;
}

} // namespace xattr
