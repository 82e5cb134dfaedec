// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileTransfer.h"

#include "platform/FileSystem.h"

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace filetransfer {

namespace {

std::string local(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString text(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString failure(const std::string& path, int error)
{
    return text(path) + QStringLiteral(": ") + fs::errorText(error);
}

// Closes a descriptor when it leaves scope.
struct Fd {
    int fd = -1;
    explicit Fd(int value) : fd(value) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Copies the user-visible extended attributes. A destination that cannot
// hold them (or refuses a namespace) keeps the data; other failures count.
std::optional<QString> copyAttributes(int from, int to, const std::string& where)
{
    std::vector<char> names(1024);
    ssize_t length = 0;
    while ((length = ::flistxattr(from, names.data(), names.size())) < 0 && errno == ERANGE)
        names.resize(names.size() * 4);
    if (length < 0)
        return errno == ENOTSUP ? std::nullopt : std::optional(failure(where, errno));
    std::vector<char> value;
    for (ssize_t at = 0; at < length; at += ssize_t(std::strlen(names.data() + at)) + 1) {
        const char* name = names.data() + at;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0)
            continue; // removed meanwhile
        value.resize(std::size_t(size) + 1);
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got < 0)
            continue;
        if (::fsetxattr(to, name, value.data(), std::size_t(got), 0) != 0 && errno != ENOTSUP &&
            errno != EPERM && errno != EACCES)
            return failure(where, errno);
    }
    return std::nullopt;
}

bool sameContent(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ino == b.st_ino;
}

class TreeCopier {
public:
    explicit TreeCopier(Copy& copy) : m_copy(copy) {}

    std::optional<QString> copyItem(const std::string& from, const std::string& to, dev_t device)
    {
        struct stat st {};
        if (::lstat(from.c_str(), &st) != 0)
            return failure(from, errno);
        if (st.st_dev != device)
            return text(from) + QStringLiteral(": lies on another file system");
        m_copy.items.push_back({from, st.st_dev, st.st_ino, S_ISDIR(st.st_mode)});
        if (S_ISREG(st.st_mode))
            return copyFile(from, to, st);
        if (S_ISLNK(st.st_mode))
            return copyLink(from, to, st);
        if (S_ISDIR(st.st_mode))
            return copyFolder(from, to, st);
        return text(from) + QStringLiteral(": cannot move this kind of item");
    }

private:
    std::optional<QString> copyFile(const std::string& from, const std::string& to,
                                    const struct stat& before)
    {
        Fd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (in.fd < 0)
            return failure(from, errno);
        Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (out.fd < 0)
            return failure(to, errno);
        bool plainCopy = false;
        for (;;) {
            ssize_t copied = -1;
            if (!plainCopy) {
                copied = ::copy_file_range(in.fd, nullptr, out.fd, nullptr, 1 << 30, 0);
                if (copied < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                   errno == EOPNOTSUPP || errno == EPERM)) {
                    plainCopy = true;
                    continue;
                }
            } else {
                char buffer[1 << 16];
                const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
                copied = got;
                for (ssize_t done = 0; got > 0 && done < got;) {
                    const ssize_t wrote = ::write(out.fd, buffer + done, std::size_t(got - done));
                    if (wrote < 0) {
                        if (errno == EINTR)
                            continue;
                        return failure(to, errno);
                    }
                    done += wrote;
                }
            }
            if (copied < 0) {
                if (errno == EINTR)
                    continue;
                return failure(plainCopy ? from : to, errno);
            }
            if (copied == 0)
                break;
        }
        if (auto error = copyAttributes(in.fd, out.fd, to))
            return error;
        if (::fchmod(out.fd, before.st_mode & 07777) != 0 && errno != EPERM)
            return failure(to, errno);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        if (::futimens(out.fd, times) != 0 && errno != EPERM)
            return failure(to, errno);
        if (::fsync(out.fd) != 0)
            return failure(to, errno);
        struct stat after {};
        if (::fstat(in.fd, &after) != 0 || !sameContent(before, after))
            return text(from) + QStringLiteral(": changed while it was copied");
        return std::nullopt;
    }

    std::optional<QString> copyLink(const std::string& from, const std::string& to,
                                    const struct stat& st)
    {
        std::vector<char> target(std::size_t(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t length = ::readlink(from.c_str(), target.data(), target.size());
        if (length < 0 || std::size_t(length) >= target.size())
            return failure(from, length < 0 ? errno : ENAMETOOLONG);
        target[std::size_t(length)] = 0;
        if (::symlink(target.data(), to.c_str()) != 0)
            return failure(to, errno);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW);
        return std::nullopt;
    }

    std::optional<QString> copyFolder(const std::string& from, const std::string& to,
                                      const struct stat& st)
    {
        // Its entries are removed after the copy: that needs write access.
        if (::access(from.c_str(), W_OK | X_OK) != 0)
            return failure(from, errno);
        if (::mkdir(to.c_str(), 0700) != 0)
            return failure(to, errno);
        std::vector<std::string> names;
        {
            DIR* dir = ::opendir(from.c_str());
            if (!dir)
                return failure(from, errno);
            while (const dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    names.push_back(name);
            }
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (auto error = copyItem(from + '/' + name, to + '/' + name, st.st_dev))
                return error;
        }
        Fd in(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        Fd out(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (in.fd < 0 || out.fd < 0)
            return failure(in.fd < 0 ? from : to, errno);
        if (auto error = copyAttributes(in.fd, out.fd, to))
            return error;
        if (::fchmod(out.fd, st.st_mode & 07777) != 0 && errno != EPERM)
            return failure(to, errno);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.fd, times) != 0 && errno != EPERM)
            return failure(to, errno);
        if (::fsync(out.fd) != 0)
            return failure(to, errno);
        return std::nullopt;
    }

    Copy& m_copy;
};

// Our copy may carry a read-only folder's mode: open folders up first.
int openFolder(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_D || type == FTW_DNR)
        ::chmod(path, 0700);
    return 0;
}

int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

} // namespace

std::optional<std::uint64_t> deviceOf(const QString& path, bool followLinks)
{
    struct stat st {};
    const std::string file = local(path);
    const int result = followLinks ? ::stat(file.c_str(), &st) : ::lstat(file.c_str(), &st);
    if (result != 0)
        return std::nullopt;
    return std::uint64_t(st.st_dev);
}

bool occupied(const QString& path)
{
    struct stat st {};
    return ::lstat(local(path).c_str(), &st) == 0 || errno != ENOENT;
}

int renameNoReplace(const QString& from, const QString& to)
{
    const std::string source = local(from);
    const std::string target = local(to);
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return error;
    // No RENAME_NOREPLACE here: a hard link refuses an existing target too.
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return error;
    if (::link(source.c_str(), target.c_str()) != 0)
        return errno;
    if (::unlink(source.c_str()) != 0) {
        const int unlinkError = errno;
        ::unlink(target.c_str());
        return unlinkError;
    }
    return 0;
}

std::optional<QString> createDirectories(const QString& path)
{
    const std::string folder = local(path);
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = folder.find('/', at + 1);
        const std::string part = folder.substr(0, at);
        if (part.empty() || ::mkdir(part.c_str(), 0777) == 0)
            continue;
        const int error = errno;
        struct stat st {};
        if (error == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        return fs::errorText(error == EEXIST ? ENOTDIR : error);
    }
    return std::nullopt;
}

Copy copyToTemporary(const QString& source, const QString& destinationFolder)
{
    Copy copy;
    std::string from = local(source);
    while (from.size() > 1 && from.back() == '/')
        from.pop_back();
    const std::string parent = from.substr(0, std::max<std::size_t>(from.rfind('/'), 1));
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) {
        copy.error = failure(from, errno);
        return copy;
    }
    const dev_t device = st.st_dev;
    // The source leaves its folder once copied.
    if (::access(parent.c_str(), W_OK | X_OK) != 0) {
        copy.error = failure(parent, errno);
        return copy;
    }
    const std::string folder = local(destinationFolder);
    // A random name is all but always free; only "no such file" says it is.
    std::string temporary;
    for (int attempt = 0; temporary.empty() && attempt < 16; ++attempt) {
        const std::string candidate =
            folder + "/.vantle-move-" +
            QString::number(QRandomGenerator::global()->generate64(), 36).toStdString();
        if (::lstat(candidate.c_str(), &st) == 0)
            continue;
        if (errno != ENOENT) {
            copy.error = failure(folder, errno);
            return copy;
        }
        temporary = candidate;
    }
    if (temporary.empty()) {
        copy.error = failure(folder, EEXIST);
        return copy;
    }
    copy.temporaryPath = text(temporary);
    TreeCopier copier(copy);
    copy.error = copier.copyItem(from, temporary, device);
    if (copy.error)
        discardCopy(copy);
    return copy;
}

void discardCopy(const Copy& copy)
{
    if (copy.temporaryPath.isEmpty())
        return;
    // Only our own temporary tree: no links followed, no other file system.
    const std::string path = local(copy.temporaryPath);
    ::nftw(path.c_str(), openFolder, 16, FTW_PHYS | FTW_MOUNT);
    ::nftw(path.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT);
}

void syncFolder(const QString& path)
{
    Fd folder(::open(local(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd >= 0)
        ::fsync(folder.fd);
}

std::optional<QString> removeCopiedSource(const Copy& copy)
{
    QStringList left;
    for (auto item = copy.items.rbegin(); item != copy.items.rend(); ++item) {
        struct stat st {};
        if (::lstat(item->path.c_str(), &st) != 0)
            continue;
        if (st.st_dev != item->device || st.st_ino != item->inode) {
            left.append(text(item->path));
            continue;
        }
        if ((item->isDirectory ? ::rmdir(item->path.c_str()) : ::unlink(item->path.c_str())) != 0)
            left.append(failure(item->path, errno));
    }
    if (left.isEmpty())
        return std::nullopt;
    return QStringLiteral("left in place: ") + left.join(QStringLiteral(", "));
}

} // namespace filetransfer
