// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Trash.h"

#include <QFile>
#include <gio/gio.h>

namespace {

class GioTrash final : public Trash {
public:
    std::optional<QString> moveToTrash(const QString& path) override
    {
        const QByteArray local = QFile::encodeName(path);
        GFile* file = g_file_new_for_path(local.constData());
        GError* error = nullptr;
        const gboolean ok = g_file_trash(file, nullptr, &error);
        g_object_unref(file);
        if (ok)
            return std::nullopt;
        QString message = error ? QString::fromUtf8(error->message)
                                : QStringLiteral("unknown error moving to the Trash");
        if (error)
            g_error_free(error);
        return message;
    }
};

} // namespace

std::shared_ptr<Trash> makeSystemTrash()
{
    return std::make_shared<GioTrash>();
}
