// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Inotify.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t folderMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                     IN_ONLYDIR;

std::uint32_t kindsOf(std::uint32_t mask)
{
    std::uint32_t kinds = 0;
    if (mask & IN_CREATE)
        kinds |= Inotify::Created;
    if (mask & IN_DELETE)
        kinds |= Inotify::Removed;
    if (mask & IN_MOVED_FROM)
        kinds |= Inotify::MovedFrom;
    if (mask & IN_MOVED_TO)
        kinds |= Inotify::MovedTo;
    if (mask & IN_MODIFY)
        kinds |= Inotify::Modified;
    if (mask & IN_CLOSE_WRITE)
        kinds |= Inotify::ClosedWrite;
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))
        kinds |= Inotify::SelfGone;
    if (mask & IN_IGNORED)
        kinds |= Inotify::WatchEnded;
    if (mask & IN_Q_OVERFLOW)
        kinds |= Inotify::Overflow;
    return kinds;
}

} // namespace

Inotify::~Inotify()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Inotify::open(QString* error)
{
    if (m_fd >= 0)
        return true;
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) {
        if (error)
            *error = fs::errorText(errno);
        return false;
    }
    return true;
}

int Inotify::addWatch(const QByteArray& path, bool followLink, QString* error)
{
    if (m_fd < 0) {
        if (error)
            *error = QStringLiteral("inotify is not open");
        return -1;
    }
    const std::uint32_t mask = folderMask | (followLink ? 0u : std::uint32_t(IN_DONT_FOLLOW));
    const int watch = ::inotify_add_watch(m_fd, path.constData(), mask);
    if (watch < 0 && error)
        *error = fs::errorText(errno);
    return watch;
}

void Inotify::removeWatch(int watch)
{
    if (m_fd >= 0 && watch >= 0)
        ::inotify_rm_watch(m_fd, watch);
}

bool Inotify::readAvailable(std::vector<Event>& out)
{
    if (m_fd < 0)
        return false;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        if (length == 0)
            return true;
        for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= length;) {
            const auto* raw = reinterpret_cast<const inotify_event*>(buffer + offset);
            Event event;
            event.watch = raw->wd;
            event.kinds = kindsOf(raw->mask);
            event.cookie = raw->cookie;
            event.isDir = (raw->mask & IN_ISDIR) != 0;
            if (raw->len > 0)
                event.name = QByteArray(raw->name, qsizetype(::strnlen(raw->name, raw->len)));
            out.push_back(std::move(event));
            offset += ssize_t(sizeof(inotify_event)) + raw->len;
        }
    }
}
