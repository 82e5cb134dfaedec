// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DirectoryCrawl.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
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
// relative to its parent (one path component to resolve, not the whole path),
// depth first, and keeps the tree so that the result can be listed breadth
// first afterwards.
class Walker {
public:
    Walker(const Options& options, Result& result, std::string root)
        : m_options(options), m_result(result), m_mounts(mountsBelow(root)), m_buffer(1 << 16)
    {
        m_nodes.push_back({std::move(root), {}, 0, true});
    }

    void run()
    {
        // The root itself may be reached through a link (a home folder often is).
        const int fd = ::open(m_nodes[0].path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            ++m_result.unreadable;
            return;
        }
        if (enterMount(fd)) {
            if (m_options.opened)
                m_options.opened(m_nodes[0].path);
            visit(fd, 0);
        }
        ::close(fd);
        // Breadth first, in the sorted order of each folder.
        std::vector<std::uint32_t> queue{0};
        for (std::size_t next = 0; next < queue.size(); ++next) {
            for (std::uint32_t child : m_nodes[queue[next]].children) {
                m_result.folders.push_back(std::move(m_nodes[child].path));
                queue.push_back(child);
            }
        }
    }

private:
    struct Node {
        std::string path;
        std::vector<std::uint32_t> children;
        int depth;
        bool enter; // false for a network mount: listed, never read
    };

    // A bind mount can show a folder again inside itself: each mounted
    // folder is entered once.
    bool enterMount(int fd)
    {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !m_enteredMounts.emplace(st.st_dev, st.st_ino).second) {
            ++m_result.skippedMounts;
            return false;
        }
        return true;
    }

    void visit(int fd, std::uint32_t index)
    {
        std::vector<std::string> names;
        for (;;) {
            const ssize_t length = ::getdents64(fd, m_buffer.data(), m_buffer.size());
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.data() + at);
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
        const int depth = m_nodes[index].depth + 1;
        std::vector<std::uint32_t> children;
        children.reserve(names.size());
        for (const std::string& name : names) {
            std::string path = childPath(m_nodes[index].path, name.c_str());
            if (m_options.accept && !m_options.accept(path, name, depth))
                continue;
            const auto mount = m_mounts.empty() ? m_mounts.end() : m_mounts.find(path);
            const bool isMount = mount != m_mounts.end();
            const bool staysOut = isMount && isRemoteOrFuseType(mount->second);
            if (staysOut)
                ++m_result.skippedMounts;
            children.push_back(static_cast<std::uint32_t>(m_nodes.size()));
            m_nodes.push_back({std::move(path), {}, depth, !staysOut});
            if (isMount && !staysOut)
                m_localMounts.insert(children.back());
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            const std::uint32_t child = children[i];
            if (!m_nodes[child].enter)
                continue;
            const std::string& path = m_nodes[child].path;
            const char* name = path.c_str() + path.rfind('/') + 1;
            const int childFd = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0) {
                ++m_result.unreadable;
                continue;
            }
            if (!m_localMounts.count(child) || enterMount(childFd)) {
                if (m_options.opened)
                    m_options.opened(m_nodes[child].path);
                visit(childFd, child);
            }
            ::close(childFd);
        }
        m_nodes[index].children = std::move(children);
    }

    const Options& m_options;
    Result& m_result;
    const std::unordered_map<std::string, std::string> m_mounts;
    std::set<std::pair<dev_t, ino_t>> m_enteredMounts;
    std::set<std::uint32_t> m_localMounts;
    std::vector<char> m_buffer;
    std::vector<Node> m_nodes;
};

} // namespace

Result crawl(const QString& root, const Options& options)
{
    Result result;
    std::string rootPath = QFile::encodeName(root).toStdString();
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.pop_back();
    Walker(options, result, std::move(rootPath)).run();
    return result;
}

} // namespace dircrawl
