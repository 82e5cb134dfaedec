// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppSettings.h"

#include "platform/Paths.h"

#include <QSettings>
#include <algorithm>
#include <limits>

namespace settings {

const Declaration expiryValue{"expiryValue", Type::Integer, 1, 1, 999};
const Declaration expiryUnit{"expiryUnit", Type::Text, QStringLiteral("hours")};
const Declaration moveDestinations{"MoveMRU.destinations", Type::TextList, QStringList{}};
const Declaration automaticallyChecksForUpdates{"automaticallyChecksForUpdates", Type::Boolean,
                                                false};
const Declaration automaticallyDownloadsUpdates{"automaticallyDownloadsUpdates", Type::Boolean,
                                                false};
const Declaration lastUpdateCheck{"lastUpdateCheck", Type::Integer, 0, 0,
                                  std::numeric_limits<qint64>::max()};
const Declaration tidyEnabled{"TidyRule.enabled", Type::Boolean, false};
const Declaration tidyOlderThanDays{"TidyRule.olderThanDays", Type::Integer, 30, 1, 3650};
const Declaration tidyKinds{"TidyRule.kinds", Type::TextList, QStringList{}};
const Declaration tidyDestination{"TidyRule.destination", Type::Text, QStringLiteral("trash")};
const Declaration tidyArchiveFolder{"TidyRule.archiveFolder", Type::Text, QString()};
const Declaration tidyIncludeFolders{"TidyRule.includeFolders", Type::Boolean, false};
const Declaration tidyRecentlyUsedDays{"TidyRule.recentlyUsedDays", Type::Integer, 30, 0, 3650};
const Declaration notifyNewDownloads{"DownloadNotifier.enabled", Type::Boolean, false};
const Declaration noTrayHintGiven{"NoTrayHint.given", Type::Boolean, false};
const Declaration tidyConfirmed{"TidyRule.confirmed", Type::Text, QString()};
const Declaration tidyLastRun{"TidyRule.lastRun", Type::Integer, 0, 0,
                              std::numeric_limits<qint64>::max()};

std::unique_ptr<QSettings> open()
{
    return std::make_unique<QSettings>(paths::settingsFile(), QSettings::IniFormat);
}

namespace {
QVariant stored(const Declaration& declaration)
{
    return open()->value(QString::fromLatin1(declaration.key));
}
} // namespace

qint64 readInteger(const Declaration& declaration)
{
    const QVariant value = stored(declaration);
    qint64 number = 0;
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number = value.toLongLong(&ok);
        break;
    case QMetaType::QString:
        number = value.toString().toLongLong(&ok, 10);
        break;
    default:
        break;
    }
    if (!ok)
        return declaration.defaultValue.toLongLong();
    return std::clamp(number, declaration.minimum, declaration.maximum);
}

QString readText(const Declaration& declaration)
{
    const QVariant value = stored(declaration);
    if (value.typeId() != QMetaType::QString)
        return declaration.defaultValue.toString();
    return value.toString();
}

QStringList readTextList(const Declaration& declaration)
{
    const QVariant value = stored(declaration);
    if (!value.isValid())
        return declaration.defaultValue.toStringList();
    // A one-element list comes back from the INI file as a plain string.
    if (value.typeId() == QMetaType::QString)
        return {value.toString()};
    if (value.typeId() != QMetaType::QStringList && value.typeId() != QMetaType::QVariantList)
        return declaration.defaultValue.toStringList();
    return value.toStringList();
}

bool readBoolean(const Declaration& declaration)
{
    const QVariant value = stored(declaration);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
    }
    return declaration.defaultValue.toBool();
}

void write(const Declaration& declaration, const QVariant& value)
{
    auto store = open();
    store->setValue(QString::fromLatin1(declaration.key), value);
    store->sync();
}

} // namespace settings
