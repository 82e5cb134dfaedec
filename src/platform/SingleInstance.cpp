// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SingleInstance::defaultLockPath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(QFile::decodeName(runtime)).isDir())
        return QFile::decodeName(runtime) + QStringLiteral("/vantle.lock");
    return paths::dataDirectory() + QStringLiteral("/vantle.lock");
}

SingleInstance::Result SingleInstance::acquire(const QString& lockPath)
{
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    const QByteArray local = QFile::encodeName(lockPath);
    m_fd = ::open(local.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = fs::errorText(errno);
        return Result::Failed;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return Result::Acquired;
    const int error = errno;
    ::close(m_fd);
    m_fd = -1;
    if (error == EWOULDBLOCK)
        return Result::AlreadyRunning;
    m_error = fs::errorText(error);
    return Result::Failed;
}
