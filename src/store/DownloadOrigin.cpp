// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/DownloadOrigin.h"

#include "platform/Xattr.h"
#include "store/TrackedFile.h"

namespace downloadorigin {

std::optional<QUrl> fromAttribute(const QByteArray& value)
{
    // Some tools store a trailing NUL or newline.
    const QUrl url(QString::fromUtf8(value).trimmed().remove(QChar(0)), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url;
}

std::optional<QUrl> of(const QString& path)
{
    const std::optional<QByteArray> value = xattr::get(path, "user.xdg.origin.url");
    return value ? fromAttribute(*value) : std::nullopt;
}

} // namespace downloadorigin

FileDetails detailsOf(const TrackedFile& record)
{
    return {record.fileName, record.filePath, record.fileSize, downloadorigin::of(record.filePath),
            record.isFolder()};
}
