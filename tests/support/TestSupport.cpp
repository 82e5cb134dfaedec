// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QThread>
#include <cstdio>
#include <sys/stat.h>

namespace {
QMutex logMutex;
QStringList captured;
QStringList allowed;
} // namespace

namespace testenv {

QString home()
{
    return QString::fromLocal8Bit(qgetenv("HOME"));
}

QString freshFolder(const QString& name)
{
    static int serial = 0;
    const QString path = home() + QStringLiteral("/t%1-").arg(++serial) + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace testenv

namespace logcapture {

void record(const QString& line)
{
    QMutexLocker lock(&logMutex);
    captured.append(line);
}

void clear()
{
    QMutexLocker lock(&logMutex);
    captured.clear();
}

QStringList lines()
{
    QMutexLocker lock(&logMutex);
    return captured;
}

bool contains(const QString& text)
{
    return lines().contains(text);
}

int count(const QString& prefix)
{
    int n = 0;
    for (const QString& line : lines())
        n += line.startsWith(prefix) ? 1 : 0;
    return n;
}

} // namespace logcapture

void allowWarning(const QString& fragment)
{
    QMutexLocker lock(&logMutex);
    allowed.append(fragment);
}

bool isAllowedWarning(const QString& message)
{
    QMutexLocker lock(&logMutex);
    for (const QString& fragment : allowed) {
        if (message.contains(fragment))
            return true;
    }
    return false;
}

void clearAllowedWarnings()
{
    QMutexLocker lock(&logMutex);
    allowed.clear();
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

std::uint64_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

void moveOver(const QString& from, const QString& to)
{
    EXPECT_EQ(std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()),
              0)
        << from.toStdString() << " -> " << to.toStdString();
}
