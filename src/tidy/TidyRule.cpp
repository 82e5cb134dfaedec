// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/TidyRule.h"

#include "platform/AppSettings.h"

#include <QDir>

namespace {

const QString defaultArchive = QStringLiteral("Archive");

bool isOneOf(const QMimeType& type, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (type.name() == QLatin1String(name) || type.inherits(QLatin1String(name)))
            return true;
    }
    return false;
}

} // namespace

const QStringList& TidyRule::kindNames()
{
    static const QStringList names = {"installers", "archives", "disk-images", "documents",
                                      "images",     "audio",    "video"};
    return names;
}

std::optional<QString> TidyRule::kindOf(const QMimeType& type)
{
    const QString name = type.name();
    // Packages and office documents are zip or ar files underneath: they are
    // told apart before the archives.
    if (isOneOf(type,
                {"application/vnd.debian.binary-package", "application/x-rpm",
                 "application/vnd.flatpak", "application/vnd.flatpak.ref",
                 "application/vnd.appimage", "application/x-msi", "application/x-ms-dos-executable",
                 "application/x-msdownload", "application/x-executable", "application/vnd.snap"}))
        return QStringLiteral("installers");
    if (isOneOf(type, {"application/x-cd-image", "application/x-raw-disk-image",
                       "application/x-apple-diskimage", "application/x-qemu-disk",
                       "application/x-vmdk", "application/x-virtualbox-vdi"}))
        return QStringLiteral("disk-images");
    if (name.startsWith(QLatin1String("text/")) ||
        name.startsWith(QLatin1String("application/vnd.oasis.opendocument")) ||
        name.startsWith(QLatin1String("application/vnd.openxmlformats-officedocument")) ||
        name.startsWith(QLatin1String("application/vnd.ms-")) ||
        isOneOf(type, {"application/pdf", "application/msword", "application/rtf",
                       "application/epub+zip", "application/postscript"}))
        return QStringLiteral("documents");
    for (const char* prefix : {"image", "audio", "video"}) {
        if (name.startsWith(QLatin1String(prefix) + QLatin1Char('/')))
            return QString::fromLatin1(prefix == QLatin1String("image") ? "images" : prefix);
    }
    if (isOneOf(type, {"application/zip", "application/x-tar", "application/gzip",
                       "application/x-compressed-tar", "application/x-7z-compressed",
                       "application/vnd.rar", "application/x-rar", "application/x-xz",
                       "application/x-bzip2", "application/zstd", "application/x-archive"}))
        return QStringLiteral("archives");
    return std::nullopt;
}

TidyRule TidyRule::fromSettings()
{
    TidyRule rule;
    rule.enabled = settings::readBoolean(settings::tidyEnabled);
    rule.olderThanDays = int(settings::readInteger(settings::tidyOlderThanDays));
    rule.kinds = settings::readTextList(settings::tidyKinds);
    rule.kinds.removeIf([](const QString& kind) { return !kindNames().contains(kind); });
    rule.destination = settings::readText(settings::tidyDestination) == QLatin1String("archive")
                           ? Destination::archive
                           : Destination::trash;
    rule.archiveFolder = settings::readText(settings::tidyArchiveFolder);
    if (!QDir::isAbsolutePath(rule.archiveFolder))
        rule.archiveFolder.clear();
    rule.includeFolders = settings::readBoolean(settings::tidyIncludeFolders);
    rule.recentlyUsedDays = int(settings::readInteger(settings::tidyRecentlyUsedDays));
    return rule;
}

std::optional<QString> TidyRule::applyOptions(const QVariantMap& options)
{
    TidyRule changed = *this;
    for (auto option = options.begin(); option != options.end(); ++option) {
        const QString& key = option.key();
        if (key == QLatin1String("olderThanDays")) {
            bool whole = false;
            const qint64 days = option->toString().toLongLong(&whole);
            if (!whole || days < 1 || days > 3650)
                return QStringLiteral("the age must be a whole number of days from 1 to 3650");
            changed.olderThanDays = int(days);
        } else if (key == QLatin1String("kinds")) {
            changed.kinds = option->toStringList();
            for (const QString& kind : std::as_const(changed.kinds)) {
                if (!kindNames().contains(kind))
                    return QStringLiteral("unknown kind \"%1\" (known: %2)")
                        .arg(kind.left(40), kindNames().join(QLatin1String(", ")));
            }
        } else if (key == QLatin1String("to")) {
            const QString to = option->toString();
            if (to == QLatin1String("trash")) {
                changed.destination = Destination::trash;
            } else if (QDir::isAbsolutePath(to)) {
                changed.destination = Destination::archive;
                changed.archiveFolder = QDir::cleanPath(to);
            } else {
                return QStringLiteral("the destination must be \"trash\" or an absolute folder");
            }
        } else {
            return QStringLiteral("unknown option \"%1\"").arg(key.left(40));
        }
    }
    *this = changed;
    return std::nullopt;
}

QString TidyRule::fingerprint() const
{
    QStringList sorted = kinds;
    sorted.sort();
    // One pass: a folder's name may hold "%1".
    return QStringLiteral("on=%1;days=%2;kinds=%3;to=%4;folder=%5;folders=%6;opened=%7")
        .arg(QString::number(int(enabled)), QString::number(olderThanDays),
             sorted.join(QLatin1Char(',')),
             destination == Destination::archive ? QStringLiteral("archive")
                                                 : QStringLiteral("trash"),
             destination == Destination::archive ? archiveFolder : QString(),
             QString::number(int(includeFolders)), QString::number(recentlyUsedDays));
}

QString TidyRule::archiveFolderFor(const QString& downloadsPath, const QDateTime& since) const
{
    if (!archiveFolder.isEmpty())
        return QDir::cleanPath(archiveFolder);
    const QDate date = since.toLocalTime().date();
    return QStringLiteral("%1/%2/%3/%4")
        .arg(downloadsPath, defaultArchive)
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'));
}

QString TidyRule::archiveRootIn(const QString& downloadsPath) const
{
    if (archiveFolder.isEmpty())
        return downloadsPath + QLatin1Char('/') + defaultArchive;
    // A chosen folder inside Downloads: its top folder there.
    const QString folder = QDir::cleanPath(archiveFolder);
    if (!folder.startsWith(downloadsPath + QLatin1Char('/')))
        return {};
    return downloadsPath + QLatin1Char('/') +
           folder.mid(downloadsPath.size() + 1).section(QLatin1Char('/'), 0, 0);
}
