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

Result crawl(const QString& root, const Options& options)
{
    Result result;
    std::string rootPath = QFile::encodeName(root).toStdString();
    while (rootPath.size() > 1 && rootPath.back() == '/')
        rootPath.pop_back();
    const auto mounts = mountsBelow(rootPath);
    std::set<std::pair<dev_t, ino_t>> enteredMounts;
    // Depth of each listed folder; -1 for a mount that is listed but not read.
    std::vector<int> depths;
    std::vector<std::string> names;

    const auto visit = [&](const std::string& path, int depth, bool isMountPoint) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            ++result.unreadable;
            return;
        }
        if (isMountPoint) {
            // A bind mount can show a folder again inside itself.
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !enteredMounts.emplace(st.st_dev, st.st_ino).second) {
                ::close(fd);
                ++result.skippedMounts;
                return;
            }
        }
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            ++result.unreadable;
            return;
        }
        if (options.opened)
            options.opened(path);
        names.clear();
        while (const dirent* entry = ::readdir(dir)) {
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
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            std::string child = childPath(path, name.c_str());
            if (options.accept && !options.accept(child, name, depth + 1))
                continue;
            const auto mount = mounts.empty() ? mounts.end() : mounts.find(child);
            const bool staysOut = mount != mounts.end() && isRemoteOrFuseType(mount->second);
            // A network mount is still a destination: listed, never read.
            if (staysOut)
                ++result.skippedMounts;
            result.folders.push_back(std::move(child));
            depths.push_back(staysOut ? -1 : depth + 1);
        }
    };

    visit(rootPath, 0, true);
    // The list of folders doubles as the walk's queue.
    for (std::size_t next = 0; next < result.folders.size(); ++next) {
        if (depths[next] < 0)
            continue;
        // A copy: the list grows while the folder is read.
        const std::string path = result.folders[next];
        visit(path, depths[next], !mounts.empty() && mounts.count(path) > 0);
    }
    return result;
}

} // namespace dircrawl
