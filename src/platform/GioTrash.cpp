// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/TrashInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <gio/gio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

// The name GIO gives the n-th item of one name in a Trash folder: the
// original, then "stem.N.rest" split at the first dot ("proj.2", "a.2.tar.gz").
QString trashName(const QString& original, int n)
{
    if (n == 1)
        return original;
    const qsizetype dot = original.indexOf(QLatin1Char('.'));
    const QString number = QLatin1Char('.') + QString::number(n);
    return dot < 0 ? original + number : original.left(dot) + number + original.mid(dot);
}

// Whether `trashed` is a name GIO can give an item named `original`.
bool couldBeTrashNameOf(const QString& trashed, const QString& original)
{
    if (trashed == original)
        return true;
    const qsizetype dot = original.indexOf(QLatin1Char('.'));
    const QString stem = (dot < 0 ? original : original.left(dot)) + QLatin1Char('.');
    const QString rest = dot < 0 ? QString() : original.mid(dot);
    if (!trashed.startsWith(stem) || !trashed.endsWith(rest) ||
        trashed.size() <= stem.size() + rest.size())
        return false;
    bool numeric = false;
    trashed.mid(stem.size(), trashed.size() - stem.size() - rest.size()).toUInt(&numeric);
    return numeric;
}

bool isItem(const std::optional<ItemStat>& found, const ItemStat& item)
{
    return found && found->inode == item.inode && found->device == item.device;
}

// The item in one Trash folder (holding files/ and info/), found by its
// device and inode, which the rename into the Trash keeps. GIO took the
// first of the names above whose description was free, so the names are
// tried in its order up to the first free one.
QString findIn(const QString& root, const QString& name, const ItemStat& item)
{
    const QString files = root + QStringLiteral("/files/");
    // Most often the item kept its name: one lstat.
    const auto first = fs::lstat(files + name);
    if (isItem(first, item))
        return files + name;
    if (const auto folder = fs::stat(files); !folder || folder->device != item.device)
        return {};
    const QString info = root + QStringLiteral("/info/");
    for (int n = 2;; ++n) {
        const QString candidate = trashName(name, n);
        const auto found = fs::lstat(files + candidate);
        if (isItem(found, item))
            return files + candidate;
        if (!found && !fs::lstat(info + candidate + QStringLiteral(".trashinfo")))
            break;
    }
    // A name freed after GIO chose (the Trash emptied meanwhile): only the
    // names GIO could have given are looked at.
    for (const QByteArray& raw : fs::listDirectory(files).names) {
        const QString entry = QFile::decodeName(raw);
        if (couldBeTrashNameOf(entry, name) && isItem(fs::lstat(files + entry), item))
            return files + entry;
    }
    return {};
}

// The top folder of the volume holding `folder`, links resolved first: a
// Downloads folder reached through a link is trashed on the volume it is on.
QString volumeTop(const QString& folder, std::uint64_t device)
{
    QString top = QFileInfo(folder).canonicalFilePath();
    if (top.isEmpty())
        return {};
    while (top != QStringLiteral("/")) {
        const QString up = QFileInfo(top).absolutePath();
        const auto st = fs::stat(up);
        if (!st || st->device != device)
            break;
        top = up;
    }
    return top;
}

// The home Trash, where GIO puts what is on the home folder's volume.
QString homeTrash()
{
    return QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash");
}

// The Trash folders at the top of the volume of an item on `device` at
// `path`: GIO's choice when the home Trash is on another volume.
QStringList volumeTrashesFor(const QString& path, std::uint64_t device)
{
    const QString top = volumeTop(QFileInfo(path).absolutePath(), device);
    if (top.isEmpty())
        return {};
    const QString base = top == QStringLiteral("/") ? QString() : top;
    const QString uid = QString::number(::getuid());
    return {base + QStringLiteral("/.Trash/") + uid, base + QStringLiteral("/.Trash-") + uid};
}

// Whether a .trashinfo in `root`/info says its item came from `path`: the
// home Trash notes the path as given, a volume's Trash relative to the
// volume's top folder (above `root`), links resolved.
bool describesItemFrom(const QString& description, const QString& root, const QString& path)
{
    QFile file(description);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const std::optional<QString> noted = trashinfo::notedPath(file.readAll());
    if (!noted)
        return false;
    if (QDir::isAbsolutePath(*noted))
        return *noted == path;
    QString top = QFileInfo(root).absolutePath();
    if (top.endsWith(QStringLiteral("/.Trash")))
        top = QFileInfo(top).absolutePath();
    const QFileInfo original(path);
    return QDir::cleanPath(top + QLatin1Char('/') + *noted) ==
           QFileInfo(original.absolutePath()).canonicalFilePath() + QLatin1Char('/') +
               original.fileName();
}

// When the item at `path` was replaced just before GIO took it, the newcomer
// is in the Trash instead: the newest entry from `path` described since
// `since`, so that the caller sees another inode and puts it back.
QString freshIn(const QString& root, const QString& path, const timespec& since)
{
    const QString name = QFileInfo(path).fileName();
    const QString files = root + QStringLiteral("/files/");
    const QString info = root + QStringLiteral("/info/");
    QString newest;
    timespec newestTime = since;
    for (int n = 1;; ++n) {
        const QString candidate = trashName(name, n);
        struct stat described {};
        const bool hasInfo =
            ::lstat(QFile::encodeName(info + candidate + QStringLiteral(".trashinfo")).constData(),
                    &described) == 0;
        const bool hasItem = fs::lstat(files + candidate).has_value();
        if (!hasInfo && !hasItem)
            break;
        const timespec& at = described.st_ctim;
        if (hasInfo && hasItem &&
            (at.tv_sec > newestTime.tv_sec ||
             (at.tv_sec == newestTime.tv_sec && at.tv_nsec >= newestTime.tv_nsec)) &&
            describesItemFrom(info + candidate + QStringLiteral(".trashinfo"), root, path)) {
            newest = files + candidate;
            newestTime = at;
        }
    }
    return newest;
}

// Why GIO would not trash the item at `path`, in plain words and by its name
// alone: GIO's own message names the full path and the call that failed.
QString plainReason(const GError* error, const QString& path)
{
    if (!error || error->domain != G_IO_ERROR)
        return QStringLiteral("the Trash refused it");
    switch (error->code) {
    case G_IO_ERROR_PERMISSION_DENIED: {
        // Either side of the move may be the one that cannot be written.
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        return ::access(folder.constData(), W_OK) != 0
                   ? QStringLiteral("the folder it is in is not writable")
                   : QStringLiteral("the Trash folder is not writable");
    }
    case G_IO_ERROR_READ_ONLY:
        return QStringLiteral("the drive is read-only");
    case G_IO_ERROR_NO_SPACE:
        return QStringLiteral("the disk is full");
    case G_IO_ERROR_NOT_FOUND:
        return QStringLiteral("it is no longer there");
    case G_IO_ERROR_NOT_SUPPORTED:
        return QStringLiteral("its drive has no Trash");
    case G_IO_ERROR_NOT_DIRECTORY:
        return QStringLiteral("the Trash folder is damaged (a file is in its place)");
    case G_IO_ERROR_BUSY:
        return QStringLiteral("it is in use");
    case G_IO_ERROR_FILENAME_TOO_LONG:
        return QStringLiteral("its name is too long for the Trash");
    default:
        break;
    }
    QString message = QString::fromUtf8(error->message);
    message.replace(path, QLatin1Char('"') + QFileInfo(path).fileName() + QLatin1Char('"'));
    return message;
}

// files/NAME is described by info/NAME.trashinfo beside it.
QString descriptionOf(const QString& location)
{
    const QFileInfo trashed(location);
    const QString root = QFileInfo(trashed.absolutePath()).absolutePath();
    return root + QStringLiteral("/info/") + trashed.fileName() + QStringLiteral(".trashinfo");
}

class GioTrash final : public Trash {
public:
    Moved moveToTrash(const QString& path) override
    {
        const auto item = fs::lstat(path);
        timespec since{};
        // The coarse clock is the one file times are stamped with.
        ::clock_gettime(CLOCK_REALTIME_COARSE, &since);
        const QByteArray local = QFile::encodeName(path);
        GFile* file = g_file_new_for_path(local.constData());
        GError* error = nullptr;
        const gboolean ok = g_file_trash(file, nullptr, &error);
        g_object_unref(file);
        Moved moved;
        if (!ok) {
            moved.error = plainReason(error, path);
            if (error) {
                VANTLE_DIAG(lcPlatform, QStringLiteral("Trashing %1 failed: %2")
                                            .arg(path, QString::fromUtf8(error->message)));
                g_error_free(error);
            }
            return moved;
        }
        // GIO does not say where the item went.
        if (!item)
            return moved;
        const QString name = QFileInfo(path).fileName();
        // The home Trash first: the volume's top is looked for only when needed.
        if (moved.location = findIn(homeTrash(), name, *item); !moved.location.isEmpty())
            return moved;
        const QStringList roots = QStringList{homeTrash()} + volumeTrashesFor(path, item->device);
        for (const QString& root : roots.sliced(1)) {
            if (moved.location = findIn(root, name, *item); !moved.location.isEmpty())
                return moved;
        }
        for (const QString& root : roots) {
            if (moved.location = freshIn(root, path, since); !moved.location.isEmpty())
                return moved;
        }
        return moved;
    }

    std::optional<QString> putBack(const QString& location, const QString& path) override
    {
        if (const int error = filetransfer::renameNoReplace(location, path))
            return fs::errorText(error);
        QFile::remove(descriptionOf(location));
        return std::nullopt;
    }

    bool holds(const QString& location) override
    {
        return fs::lstat(location) && fs::lstat(descriptionOf(location));
    }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash()
{
    return std::make_shared<GioTrash>();
}
