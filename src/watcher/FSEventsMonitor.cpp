// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/FSEventsMonitor.h"

#include "platform/FileSystem.h"
#include "platform/Log.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// A folder on another file system than its parent (links followed).
bool isMountPoint(const QString& path)
{
    const auto self = fs::stat(path);
    const auto parent = fs::stat(path + QStringLiteral("/.."));
    return self && parent && self->device != parent->device;
}

std::uint32_t flagsOf(std::uint32_t kinds)
{
    std::uint32_t flags = 0;
    if (kinds & Inotify::Created)
        flags |= FSEventFlags::created;
    if (kinds & Inotify::Removed)
        flags |= FSEventFlags::removed;
    if (kinds & (Inotify::MovedFrom | Inotify::MovedTo))
        flags |= FSEventFlags::renamed;
    if (kinds & (Inotify::Modified | Inotify::ClosedWrite))
        flags |= FSEventFlags::modified;
    return flags;
}

} // namespace

FSEventsMonitor::FSEventsMonitor(QString path, std::chrono::milliseconds retry)
    : m_path(withoutTrailingSlash(std::move(path))), m_pathBytes(QFile::encodeName(m_path)),
      m_retry(retry)
{
    m_thread = std::make_unique<ServiceThread>(this, "FSEventsMonitor");
}

FSEventsMonitor::~FSEventsMonitor()
{
    stop();
}

std::shared_ptr<FileEventStream> FSEventsMonitor::makeEventStream()
{
    auto stream = std::make_shared<FileEventStream>();
    // Queued before `start`'s own call, so it is in place when watching begins.
    runSerial<void>(this, [this, stream] { m_continuation = stream; });
    return stream;
}

QFuture<void> FSEventsMonitor::start()
{
    return runSerial<void>(this, [this] {
        if (!m_retryTimer) {
            m_retryTimer = new QTimer(this);
            m_retryTimer->setSingleShot(true);
            m_retryTimer->setInterval(m_retry);
            connect(m_retryTimer, &QTimer::timeout, this, [this] { tryWatch(); });
        }
        tryWatch();
    });
}

void FSEventsMonitor::stop()
{
    if (!m_thread)
        return;
    runSerial<void>(this, [this] {
        m_stopped = true;
        if (m_retryTimer)
            m_retryTimer->stop();
        unwatchAll();
        delete m_notifier;
        m_notifier = nullptr;
        m_inotify.reset();
        if (m_continuation)
            m_continuation->finish();
        m_continuation.reset();
    }).waitForFinished();
    m_thread->stop();
    m_thread.reset();
}

QFuture<void> FSEventsMonitor::setReadingPaused(bool paused)
{
    return runSerial<void>(this, [this, paused] {
        m_paused = paused;
        if (m_notifier)
            m_notifier->setEnabled(!paused);
        if (!paused)
            readEvents();
    });
}

QFuture<bool> FSEventsMonitor::isWatching()
{
    return runSerial<bool>(this, [this] { return m_rootWatch >= 0; });
}

void FSEventsMonitor::tryWatch()
{
    if (m_stopped || m_rootWatch >= 0)
        return;
    QString error;
    if (!m_inotify) {
        auto inotify = std::make_unique<Inotify>();
        if (!inotify->open(&error)) {
            VANTLE_DIAG(lcWatcher, QStringLiteral("inotify unavailable: ") + error);
            scheduleRetry();
            return;
        }
        m_inotify = std::move(inotify);
        m_notifier = new QSocketNotifier(m_inotify->fd(), QSocketNotifier::Read, this);
        m_notifier->setEnabled(!m_paused);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
    }
    const bool ownFileSystem = isMountPoint(m_path);
    if (m_ownFileSystem && *m_ownFileSystem && !ownFileSystem) {
        // Unmounted: what stands there is the empty mount point, whose
        // listing would say every record's item is gone.
        VANTLE_DIAG(lcWatcher,
                    QStringLiteral("Downloads is not mounted; waiting for it: ") + m_path);
        m_rescanWhenWatching = true;
        scheduleRetry();
        return;
    }
    // The user may keep Downloads behind a symbolic link; follow it.
    const int root = m_inotify->addWatch(m_pathBytes, true, &error);
    if (root < 0) {
        // Missing at start or gone: rescan once watching resumes.
        m_rescanWhenWatching = true;
        scheduleRetry();
        return;
    }
    m_rootWatch = root;
    if (!m_ownFileSystem)
        m_ownFileSystem = ownFileSystem;
    m_watchingNow = true;
    Watched& watched = m_watches[root];
    seed(watched, m_pathBytes);
    for (auto it = watched.inodes.cbegin(); it != watched.inodes.cend(); ++it) {
        const auto st = fs::lstat(QFile::decodeName(m_pathBytes + '/' + it.key()));
        if (st && st->isDirectory)
            watchSubfolder(it.key());
    }
    VANTLE_DIAG(lcWatcher, QStringLiteral("FSEventsMonitor started watching: ") + m_path);
    if (m_rescanWhenWatching) {
        m_rescanWhenWatching = false;
        deliver({mustScanEvent(FSEventFlags::rootChanged)});
    }
}

void FSEventsMonitor::scheduleRetry()
{
    if (!m_stopped && m_retryTimer && !m_retryTimer->isActive())
        m_retryTimer->start();
}

void FSEventsMonitor::seed(Watched& watched, const QByteArray& folder)
{
    watched.inodes.clear();
    const fs::Listing listing = fs::listDirectory(QFile::decodeName(folder));
    for (const QByteArray& name : listing.names) {
        if (const auto st = fs::lstat(QFile::decodeName(folder + '/' + name)))
            watched.inodes.insert(name, st->inode);
    }
}

QByteArray FSEventsMonitor::folderPath(const Watched& watched) const
{
    return watched.name.isEmpty() ? m_pathBytes : m_pathBytes + '/' + watched.name;
}

void FSEventsMonitor::watchSubfolder(const QByteArray& name)
{
    QString error;
    const int watch = m_inotify->addWatch(m_pathBytes + '/' + name, false, &error);
    if (watch < 0) {
        VANTLE_DIAG(lcWatcher, QStringLiteral("Cannot watch subfolder ") + QFile::decodeName(name) +
                                   QStringLiteral(": ") + error);
        return;
    }
    if (watch == m_rootWatch)
        return;
    auto existing = m_watches.find(watch);
    if (existing != m_watches.end()) {
        // The same folder under a new name (renamed inside Downloads): keep
        // its watch and what it knows, and forget the old name.
        if (existing->second.name != name) {
            auto old = m_subfolders.find(existing->second.name);
            if (old != m_subfolders.end() && old->second == watch)
                m_subfolders.erase(old);
            existing->second.name = name;
        }
        m_subfolders[name] = watch;
        return;
    }
    dropSubfolder(name);
    Watched& watched = m_watches[watch];
    watched.name = name;
    if (const auto st = fs::lstat(QFile::decodeName(m_pathBytes + '/' + name)))
        watched.inode = st->inode;
    seed(watched, m_pathBytes + '/' + name);
    m_subfolders[name] = watch;
}

void FSEventsMonitor::dropSubfolder(const QByteArray& name)
{
    auto it = m_subfolders.find(name);
    if (it != m_subfolders.end())
        dropWatch(it->second);
}

void FSEventsMonitor::dropWatch(int watch)
{
    auto it = m_watches.find(watch);
    if (it == m_watches.end() || watch == m_rootWatch)
        return;
    auto named = m_subfolders.find(it->second.name);
    if (named != m_subfolders.end() && named->second == watch)
        m_subfolders.erase(named);
    m_inotify->removeWatch(watch);
    m_watches.erase(it);
}

void FSEventsMonitor::unwatchAll()
{
    if (m_inotify) {
        for (const auto& [watch, watched] : m_watches)
            m_inotify->removeWatch(watch);
    }
    m_watches.clear();
    m_subfolders.clear();
    m_rootWatch = -1;
    m_watchingNow = false;
}

FileEvent FSEventsMonitor::mustScanEvent(std::uint32_t extra) const
{
    FileEvent event;
    event.path = m_path;
    event.flags.rawValue = FSEventFlags::mustScan | FSEventFlags::isDir | extra;
    event.timestamp = QDateTime::currentDateTimeUtc();
    return event;
}

void FSEventsMonitor::deliver(std::vector<FileEvent> events)
{
    if (m_continuation)
        m_continuation->yield(std::move(events));
}

void FSEventsMonitor::emitEvent(std::vector<FileEvent>& out,
                                std::map<std::pair<QString, std::uint64_t>, std::size_t>& index,
                                FileEvent event, bool leaves)
{
    // What happened to one item within one read is told once; different items
    // at one path stay apart. Once the item has left the name, a later event
    // there is news of its own: the kernel may have given its inode to a new item.
    const auto key = std::make_pair(event.path, event.inode);
    auto it = index.find(key);
    if (it != index.end()) {
        out[it->second].flags.rawValue |= event.flags.rawValue;
    } else {
        it = index.emplace(key, out.size()).first;
        out.push_back(std::move(event));
    }
    if (leaves)
        index.erase(it);
}

void FSEventsMonitor::readEvents()
{
    if (m_paused || !m_inotify)
        return;
    std::vector<Inotify::Event> raw;
    const bool ok = m_inotify->readAvailable(raw);
    const QDateTime timestamp = QDateTime::currentDateTimeUtc();
    std::vector<FileEvent> out;
    std::map<std::pair<QString, std::uint64_t>, std::size_t> index;
    std::set<int> movedOut; // subfolder watches whose folder was moved away
    bool rootLost = false;

    // Where a name is left (deleted, moved away, or renamed over) for the
    // last time in this read: an item that arrived before that is gone, and
    // lstat would describe a later item under the same name.
    std::map<std::pair<int, QByteArray>, std::size_t> lastLeave;
    // The halves of a rename within one folder, paired by cookie: told once,
    // at the new name, with the old one, so that what the item was before is
    // known when it lands (a finished download, a save's temporary).
    std::map<std::pair<int, std::uint32_t>, std::size_t> movedFromByCookie;
    std::map<std::size_t, std::size_t> pairedFrom;   // MovedTo index → MovedFrom index
    std::map<std::size_t, std::size_t> pairedTo;     // and back
    std::map<std::size_t, std::uint64_t> movedInode; // MovedTo index → the inode it left with
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i].kinds & (Inotify::Removed | Inotify::MovedFrom | Inotify::MovedTo))
            lastLeave[{raw[i].watch, raw[i].name}] = i;
        if ((raw[i].kinds & Inotify::MovedFrom) && raw[i].cookie != 0)
            movedFromByCookie[{raw[i].watch, raw[i].cookie}] = i;
        if ((raw[i].kinds & Inotify::MovedTo) && raw[i].cookie != 0) {
            const auto from = movedFromByCookie.find({raw[i].watch, raw[i].cookie});
            if (from != movedFromByCookie.end() && !raw[from->second].name.isEmpty()) {
                pairedFrom[i] = from->second;
                pairedTo[from->second] = i;
                movedFromByCookie.erase(from);
            }
        }
    }

    for (std::size_t i = 0; i < raw.size(); ++i) {
        const Inotify::Event& event = raw[i];
        if (event.kinds & Inotify::Overflow) {
            handleOverflow(out);
            index.clear();
            movedOut.clear();
            continue;
        }
        auto found = m_watches.find(event.watch);
        if (found == m_watches.end())
            continue;
        const bool isRoot = event.watch == m_rootWatch;
        if (event.kinds & (Inotify::SelfGone | Inotify::WatchEnded)) {
            if (isRoot) {
                rootLost = true;
                break;
            }
            if (event.kinds & Inotify::WatchEnded)
                dropWatch(event.watch);
            continue;
        }
        if (event.name.isEmpty())
            continue;
        Watched& watched = found->second;
        const QByteArray rawPath = folderPath(watched) + '/' + event.name;
        const std::optional<QString> name = fs::decodeName(event.name);

        std::uint64_t inode = 0;
        std::optional<std::uint64_t> replaced;
        if (event.kinds & (Inotify::Created | Inotify::MovedTo)) {
            const auto leave = lastLeave.find({event.watch, event.name});
            const bool goneLater = leave != lastLeave.end() && leave->second > i;
            const auto st = goneLater ? std::nullopt : fs::lstat(QFile::decodeName(rawPath));
            inode = st ? st->inode : 0;
            // Gone again within this read: the rename's other half knew the item.
            if (const auto moved = movedInode.find(i); inode == 0 && moved != movedInode.end())
                inode = moved->second;
            const auto previous = watched.inodes.constFind(event.name);
            if ((event.kinds & Inotify::MovedTo) && previous != watched.inodes.cend() &&
                *previous != 0 && *previous != inode)
                replaced = *previous;                 // a rename over an existing item unlinks it
            watched.inodes.insert(event.name, inode); // 0: not known
            if (isRoot && event.isDir && st && st->isDirectory)
                watchSubfolder(event.name);
        } else if (event.kinds & (Inotify::Removed | Inotify::MovedFrom)) {
            inode = watched.inodes.take(event.name);
            if (isRoot && event.isDir) {
                if (event.kinds & Inotify::MovedFrom) {
                    if (auto sub = m_subfolders.find(event.name); sub != m_subfolders.end())
                        movedOut.insert(sub->second);
                } else {
                    dropSubfolder(event.name);
                }
            }
        } else {
            const auto known = watched.inodes.constFind(event.name);
            if (known != watched.inodes.cend()) {
                inode = *known;
            } else if (const auto st = fs::lstat(QFile::decodeName(rawPath))) {
                inode = st->inode;
                watched.inodes.insert(event.name, inode);
            }
        }

        if (!name) {
            // Such a name has no faithful text form; reporting it could lead
            // later steps to another file.
            VANTLE_DIAG(lcWatcher,
                        QStringLiteral("Ignored an item whose name is not valid UTF-8: ") +
                            QString::fromLatin1(event.name.toPercentEncoding("/ ")));
            continue;
        }
        const QString path = QFile::decodeName(folderPath(watched)) + QLatin1Char('/') + *name;
        const std::uint32_t type = event.isDir ? FSEventFlags::isDir : FSEventFlags::isFile;
        if (replaced)
            emitEvent(out, index, {path, *replaced, {FSEventFlags::removed | type}, timestamp},
                      true);
        const bool leaves = (event.kinds & (Inotify::Removed | Inotify::MovedFrom)) != 0;
        if (const auto to = pairedTo.find(i); to != pairedTo.end()) {
            // Told at the new name; a later event at this name is news of its own.
            movedInode[to->second] = inode;
            index.erase({path, inode});
            continue;
        }
        FileEvent item{path, inode, {flagsOf(event.kinds) | type}, timestamp};
        if (const auto from = pairedFrom.find(i); from != pairedFrom.end()) {
            if (const auto old = fs::decodeName(raw[from->second].name))
                item.movedFrom = QFile::decodeName(folderPath(watched)) + QLatin1Char('/') + *old;
        }
        emitEvent(out, index, std::move(item), leaves);
    }

    // A subfolder moved out of Downloads keeps its watch in the kernel, which
    // would go on reporting from its new place; one renamed inside Downloads
    // was re-keyed above and is still where its name says.
    for (const int watch : movedOut) {
        auto it = m_watches.find(watch);
        if (it == m_watches.end())
            continue;
        const auto st = fs::lstat(QFile::decodeName(folderPath(it->second)));
        if (!st || st->inode != it->second.inode)
            dropWatch(watch);
    }

    for (FileEvent& event : out)
        event.timestamp = timestamp;
    deliver(std::move(out));
    if (rootLost || !ok)
        lostRoot(!ok);
}

void FSEventsMonitor::handleOverflow(std::vector<FileEvent>& out)
{
    VANTLE_DIAG(lcWatcher, QStringLiteral("inotify queue overflowed; rescanning ") + m_path);
    // What the maps and watches knew may be out of date: build them again.
    for (auto it = m_subfolders.begin(); it != m_subfolders.end();) {
        m_inotify->removeWatch(it->second);
        m_watches.erase(it->second);
        it = m_subfolders.erase(it);
    }
    auto root = m_watches.find(m_rootWatch);
    if (root != m_watches.end()) {
        seed(root->second, m_pathBytes);
        for (auto it = root->second.inodes.cbegin(); it != root->second.inodes.cend(); ++it) {
            const auto st = fs::lstat(QFile::decodeName(m_pathBytes + '/' + it.key()));
            if (st && st->isDirectory)
                watchSubfolder(it.key());
        }
    }
    out.push_back(mustScanEvent());
}

void FSEventsMonitor::lostRoot(bool instanceFailed)
{
    VANTLE_DIAG(lcWatcher, QStringLiteral("FSEventsMonitor lost the watched folder: ") + m_path);
    unwatchAll();
    if (instanceFailed) {
        delete m_notifier;
        m_notifier = nullptr;
        m_inotify.reset();
    }
    m_rescanWhenWatching = true;
    tryWatch();
}
