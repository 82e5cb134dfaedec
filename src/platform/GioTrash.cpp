// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/Trash.h"
#include "platform/TrashListing.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <gio/gio.h>
#include <unistd.h>

namespace {

// The `files` folders GIO may move an item on `device` into: the home trash
// and the two per-volume forms below the item's mount point.
QStringList trashFolderCandidates(const QString& path, std::uint64_t device)
{
    QStringList folders;
    const QString home = QFile::decodeName(g_get_user_data_dir()) + QStringLiteral("/Trash/files");
    folders.append(home);
    QString top = QFileInfo(path).absolutePath();
    for (QString up = top; !up.isEmpty() && up != QStringLiteral("/");) {
        up = QFileInfo(up).absolutePath();
        const auto st = fs::lstat(up);
        if (!st || st->device != device)
            break;
        top = up;
    }
    const QString uid = QString::number(::getuid());
    const QString base = top == QStringLiteral("/") ? QString() : top;
    folders.append(base + QStringLiteral("/.Trash/") + uid + QStringLiteral("/files"));
    folders.append(base + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files"));
    return folders;
}

QSet<QString> entriesOf(const QStringList& folders)
{
    QSet<QString> entries;
    for (const QString& folder : folders) {
        for (const QByteArray& name : fs::listDirectory(folder).names)
            entries.insert(folder + QLatin1Char('/') + QFile::decodeName(name));
    }
    return entries;
}

// GIO names a trashed item after the original, or "stem.N.rest" when taken.
bool couldBeTrashNameOf(const QString& trashed, const QString& original)
{
    if (trashed == original)
        return true;
    const qsizetype dot = original.indexOf(QLatin1Char('.'));
    const QString stem = dot < 0 ? original : original.left(dot);
    const QString rest = dot < 0 ? QString() : original.mid(dot);
    return trashed.startsWith(stem + QLatin1Char('.')) && trashed.endsWith(rest);
}

class GioTrash final : public Trash {
public:
    Moved moveToTrash(const QString& path) override
    {
        const auto st = fs::lstat(path);
        const QStringList folders = st ? trashFolderCandidates(path, st->device) : QStringList();
        const QSet<QString> before = entriesOf(folders);

        const QByteArray local = QFile::encodeName(path);
        GFile* file = g_file_new_for_path(local.constData());
        GError* error = nullptr;
        const gboolean ok = g_file_trash(file, nullptr, &error);
        g_object_unref(file);
        Moved moved;
        if (!ok) {
            moved.error = error ? QString::fromUtf8(error->message)
                                : QStringLiteral("unknown error moving to the Trash");
            if (error)
                g_error_free(error);
            return moved;
        }
        // GIO does not say where the item went: it is the new entry named after it.
        const QString name = QFileInfo(path).fileName();
        QStringList fresh;
        for (const QString& entry : entriesOf(folders) - before) {
            if (couldBeTrashNameOf(QFileInfo(entry).fileName(), name))
                fresh.append(entry);
        }
        if (fresh.size() == 1)
            moved.location = fresh.first();
        return moved;
    }

    std::optional<QString> putBack(const QString& location, const QString& path) override
    {
        if (const int error = filetransfer::renameNoReplace(location, path))
            return fs::errorText(error);
        // files/NAME is described by info/NAME.trashinfo beside it.
        const QFileInfo trashed(location);
        const QString root = QFileInfo(trashed.absolutePath()).absolutePath();
        QFile::remove(root + QStringLiteral("/info/") + trashed.fileName() +
                      QStringLiteral(".trashinfo"));
        return std::nullopt;
    }

    std::vector<TrashEntry> entries() override { return trashlisting::systemEntries(); }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash()
{
    return std::make_shared<GioTrash>();
}
