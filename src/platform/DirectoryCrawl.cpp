// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirectoryCrawl.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace dircrawl {

namespace {

// mountinfo writes space, tab, newline and backslash as three octal digits.
std::string unescapeMountPath(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && isOctal(text[i + 1]) &&
            isOctal(text[i + 2]) && isOctal(text[i + 3])) {
            out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                            (text[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

// Mount points strictly below `root`, with their file-system types. Read from
// the kernel's table so that a hanging mount is never touched to learn its type.
std::unordered_map<std::string, std::string> mountsBelow(const std::string& root)
{
    std::unordered_map<std::string, std::string> mounts;
    std::ifstream table("/proc/self/mountinfo");
    const std::string prefix = root == "/" ? root : root + "/";
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, source, mountPoint;
        fields >> id >> parent >> device >> source >> mountPoint;
        std::string field;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        const std::string path = unescapeMountPath(mountPoint);
        if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
            mounts[path] = type;
    }
    return mounts;
}

std::string childPath(const std::string& parent, const char* name)
{
    std::string path;
    path.reserve(parent.size() + 1 + std::strlen(name));
    path.append(parent);
    if (parent != "/")
        path.push_back('/');
    path.append(name);
    return path;
}

} // namespace

bool isRemoteOrFuseType(std::string_view type)
{
    static constexpr std::array<std::string_view, 14> remote{
        "nfs", "nfs4", "cifs", "smb3",      "smbfs",  "ncpfs", "9p",
        "afs", "ceph", "coda", "glusterfs", "lustre", "davfs", "sshfs"};
    if (std::find(remote.begin(), remote.end(), type) != remote.end())
        return true;
    return type == "fuse" || type == "fuseblk" || type.substr(0, 5) == "fuse.";
}

namespace {

// The walk reads each folder with getdents64 through a descriptor opened
// relative to its parent (one path component to resolve, not the whole path).
// The top levels are read first, breadth first; the subtrees below them are
// then walked depth first by a few threads, each taking the next subtree when
// done. The tree is kept so that the result is listed breadth first, the same
// whatever thread read what.
class Walker {
public:
    Walker(const Options& options, std::string root)
        : m_options(options), m_mounts(mountsBelow(root)), m_trees(1)
    {
        m_trees[0].nodes.push_back({std::move(root), {}, 0, true, true});
    }

    Result run()
    {
        const std::vector<std::uint32_t> frontier = readTopLevels();
        // One tree per subtree below the frontier, each filled by one thread.
        m_trees.resize(frontier.size() + 1);
        std::atomic<std::size_t> nextSubtree{0};
        const auto work = [&] {
            std::vector<char> buffer(bufferSize);
            for (std::size_t i; (i = nextSubtree++) < frontier.size() && !isCancelled();) {
                Tree& tree = m_trees[i + 1];
                tree.nodes.push_back(m_trees[0].nodes[frontier[i]]);
                const int fd = openFolder(AT_FDCWD, tree, 0);
                if (fd < 0)
                    continue;
                visit(i + 1, fd, 0, buffer);
                ::close(fd);
            }
        };
        const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
        std::vector<std::thread> workers;
        for (unsigned t = 1; t < threads && t < frontier.size(); ++t)
            workers.emplace_back(work);
        work();
        for (std::thread& worker : workers)
            worker.join();
        for (std::size_t i = 0; i < frontier.size(); ++i) {
            if (!m_trees[i + 1].nodes.empty()) // not reached when cancelled
                m_trees[0].nodes[frontier[i]].children =
                    std::move(m_trees[i + 1].nodes[0].children);
        }
        return collect();
    }

private:
    static constexpr std::size_t bufferSize = 1 << 16;
    // Enough subtrees for the threads to share the work out evenly.
    static constexpr std::size_t frontierTarget = 64;

    struct Ref {
        std::uint32_t tree;
        std::uint32_t index;
    };
    struct Node {
        std::string path;
        std::vector<Ref> children;
        int depth;
        bool enter;      // false for a network mount: listed, never read
        bool mountPoint; // a local mount, entered once
    };
    struct Tree {
        std::vector<Node> nodes;
        std::size_t unreadable = 0;
        std::size_t skippedMounts = 0;
    };

    // Reads folders breadth first until enough unread ones are queued;
    // returns those (in tree 0), to be walked below.
    std::vector<std::uint32_t> readTopLevels()
    {
        std::vector<char> buffer(bufferSize);
        std::vector<std::uint32_t> queue{0};
        std::size_t next = 0;
        while (next < queue.size() && queue.size() - next < frontierTarget && !isCancelled()) {
            const std::uint32_t index = queue[next++];
            const int fd = openFolder(AT_FDCWD, m_trees[0], index);
            if (fd < 0)
                continue;
            for (std::uint32_t child : readChildren(0, fd, index, buffer))
                if (m_trees[0].nodes[child].enter)
                    queue.push_back(child);
            ::close(fd);
        }
        return {queue.begin() + std::ptrdiff_t(next), queue.end()};
    }

    // Opens a folder of `tree` (relative to `parentFd` when it is open) and
    // tells the caller's callback; -1 when it is not to be read.
    int openFolder(int parentFd, Tree& tree, std::uint32_t index)
    {
        const Node& node = tree.nodes[index];
        const char* name = node.path.c_str();
        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
        if (parentFd != AT_FDCWD)
            name += node.path.rfind('/') + 1;
        // The root itself may be reached through a link (a home folder often is).
        if (node.depth > 0)
            flags |= O_NOFOLLOW;
        const int fd = ::openat(parentFd, name, flags);
        if (fd < 0) {
            ++tree.unreadable;
            return -1;
        }
        if (node.mountPoint) {
            // A bind mount can show a folder again inside itself.
            struct stat st {};
            std::lock_guard lock(m_mutex);
            if (::fstat(fd, &st) != 0 || !m_enteredMounts.emplace(st.st_dev, st.st_ino).second) {
                ::close(fd);
                ++tree.skippedMounts;
                return -1;
            }
        }
        if (m_options.opened) {
            std::lock_guard lock(m_mutex);
            m_options.opened(node.path);
        }
        return fd;
    }

    std::vector<std::uint32_t> readChildren(std::uint32_t treeIndex, int fd, std::uint32_t index,
                                            std::vector<char>& buffer)
    {
        Tree& tree = m_trees[treeIndex];
        std::vector<std::string> names;
        for (;;) {
            const ssize_t length = ::getdents64(fd, buffer.data(), buffer.size());
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                unsigned char type = entry->d_type;
                if (type == DT_UNKNOWN) {
                    struct stat st {};
                    if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                        type = DT_DIR;
                }
                if (type == DT_DIR)
                    names.emplace_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        const int depth = tree.nodes[index].depth + 1;
        std::vector<std::uint32_t> children;
        children.reserve(names.size());
        for (const std::string& name : names) {
            std::string path = childPath(tree.nodes[index].path, name.c_str());
            if (m_options.accept && !m_options.accept(path, name, depth))
                continue;
            const auto mount = m_mounts.empty() ? m_mounts.end() : m_mounts.find(path);
            const bool isMount = mount != m_mounts.end();
            const bool staysOut = isMount && isRemoteOrFuseType(mount->second);
            if (staysOut)
                ++tree.skippedMounts;
            children.push_back(static_cast<std::uint32_t>(tree.nodes.size()));
            tree.nodes.push_back({std::move(path), {}, depth, !staysOut, isMount && !staysOut});
        }
        auto& refs = tree.nodes[index].children;
        for (std::uint32_t child : children)
            refs.push_back({treeIndex, child});
        return children;
    }

    void visit(std::uint32_t treeIndex, int fd, std::uint32_t index, std::vector<char>& buffer)
    {
        for (std::uint32_t child : readChildren(treeIndex, fd, index, buffer)) {
            Tree& tree = m_trees[treeIndex];
            if (!tree.nodes[child].enter || isCancelled())
                continue;
            const int childFd = openFolder(fd, tree, child);
            if (childFd < 0)
                continue;
            visit(treeIndex, childFd, child, buffer);
            ::close(childFd);
        }
    }

    bool isCancelled() const
    {
        return m_options.cancelled && m_options.cancelled->load(std::memory_order_relaxed);
    }

    // Breadth first over the finished tree.
    Result collect()
    {
        Result result;
        for (const Tree& tree : m_trees) {
            result.unreadable += tree.unreadable;
            result.skippedMounts += tree.skippedMounts;
        }
        std::vector<Ref> queue{{0, 0}};
        for (std::size_t next = 0; next < queue.size(); ++next) {
            Node& node = m_trees[queue[next].tree].nodes[queue[next].index];
            for (const Ref& child : node.children) {
                result.folders.push_back(std::move(m_trees[child.tree].nodes[child.index].path));
                queue.push_back(child);
            }
        }
        return result;
    }

    const Options& m_options;
    const std::unordered_map<std::string, std::string> m_mounts;
    std::mutex m_mutex; // the caller's callback and the entered mounts
    std::set<std::pair<dev_t, ino_t>> m_enteredMounts;
    std::vector<Tree> m_trees; // resized only before the threads start
};

} // namespace

Result crawl(const QString& root, const Options& options)
{
    std::string rootPath = QFile::encodeName(root).toStdString();
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.pop_back();
    return Walker(options, std::move(rootPath)).run();
}

} // namespace dircrawl
