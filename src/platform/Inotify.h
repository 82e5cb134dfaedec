// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// A thin owner of one inotify instance: watches folders and reads the queued
// item events, without exposing the kernel's headers to the rest of the program.
class Inotify {
public:
    // What happened, as bits; one kernel event may carry several.
    enum Kind : std::uint32_t {
        Created = 1u << 0,
        Removed = 1u << 1,
        MovedFrom = 1u << 2,
        MovedTo = 1u << 3,
        Modified = 1u << 4,
        ClosedWrite = 1u << 5,
        // The watched folder itself was deleted, moved or unmounted.
        SelfGone = 1u << 6,
        // The kernel dropped the watch (after SelfGone, or when asked to).
        WatchEnded = 1u << 7,
        // The kernel's queue overflowed: events were lost.
        Overflow = 1u << 8,
    };

    struct Event {
        int watch = -1; // -1 with Overflow
        std::uint32_t kinds = 0;
        std::uint32_t cookie = 0; // pairs MovedFrom with MovedTo
        bool isDir = false;
        QByteArray name; // empty for events about the watched folder itself
    };

    Inotify() = default;
    ~Inotify();
    Inotify(const Inotify&) = delete;
    Inotify& operator=(const Inotify&) = delete;

    // Opens a non-blocking, close-on-exec instance. Returns false with `error` set.
    bool open(QString* error);
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    // Watches the items directly inside a folder. `followLink` decides whether
    // a symbolic link at `path` is followed to its folder. Returns the watch
    // id (the same id when the folder is already watched) or -1 with `error`.
    int addWatch(const QByteArray& path, bool followLink, QString* error);
    void removeWatch(int watch);

    // Reads every event queued now, in order. Returns false when the
    // descriptor failed (not when there was nothing to read).
    bool readAvailable(std::vector<Event>& out);

private:
    int m_fd = -1;
};
