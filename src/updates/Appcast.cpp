// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/Appcast.h"

#include "updates/UpdateAddress.h"

#include <QVersionNumber>
#include <QXmlStreamReader>
#include <algorithm>
#include <cctype>

namespace {

const QString sparkleNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

QVersionNumber versionOf(const QString& text)
{
    return QVersionNumber::fromString(text.trimmed()).normalized();
}

QUrl allowedAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return isAllowedUpdateAddress(url) ? url : QUrl();
}

QByteArray sha256FromHex(QStringView text)
{
    const QByteArray hex = text.trimmed().toLatin1();
    if (hex.size() != 64)
        return {};
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    }
    return QByteArray::fromHex(hex);
}

void readEnclosure(QXmlStreamReader& reader, AppcastItem& item)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    item.enclosureUrl = allowedAddress(attributes.value(QLatin1String("url")).toString());
    item.enclosureLength =
        std::max<qint64>(attributes.value(QLatin1String("length")).toLongLong(), 0);
    if (const auto version = attributes.value(sparkleNamespace, QLatin1String("version"));
        !version.isEmpty())
        item.version = version.toString();
    if (const auto shortVersion =
            attributes.value(sparkleNamespace, QLatin1String("shortVersionString"));
        !shortVersion.isEmpty())
        item.displayVersion = shortVersion.toString();
    item.enclosureSha256 =
        sha256FromHex(attributes.value(sparkleNamespace, QLatin1String("sha256")));
    reader.skipCurrentElement();
}

std::optional<AppcastItem> readItem(QXmlStreamReader& reader)
{
    AppcastItem item;
    while (reader.readNextStartElement()) {
        const QStringView name = reader.name();
        const QStringView space = reader.namespaceUri();
        if (space.isEmpty() && name == QLatin1String("link"))
            item.downloadPage = allowedAddress(reader.readElementText());
        else if (space.isEmpty() && name == QLatin1String("description"))
            item.releaseNotes =
                reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        else if (space.isEmpty() && name == QLatin1String("enclosure"))
            readEnclosure(reader, item);
        else if (space == sparkleNamespace && name == QLatin1String("version"))
            item.version = reader.readElementText().trimmed();
        else if (space == sparkleNamespace && name == QLatin1String("shortVersionString"))
            item.displayVersion = reader.readElementText().trimmed();
        else if (space == sparkleNamespace && name == QLatin1String("releaseNotesLink"))
            item.releaseNotesLink = allowedAddress(reader.readElementText());
        else
            reader.skipCurrentElement();
    }
    if (versionOf(item.version).isNull())
        return std::nullopt;
    if (item.displayVersion.isEmpty())
        item.displayVersion = item.version;
    return item;
}

} // namespace

std::optional<AppcastItem> newestAppcastItem(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("rss"))
        return std::nullopt;
    bool hasChannel = false;
    std::optional<AppcastItem> newest;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("channel")) {
            reader.skipCurrentElement();
            continue;
        }
        hasChannel = true;
        while (reader.readNextStartElement()) {
            if (reader.name() != QLatin1String("item")) {
                reader.skipCurrentElement();
                continue;
            }
            std::optional<AppcastItem> item = readItem(reader);
            if (item && (!newest || isNewerVersion(item->version, newest->version)))
                newest = std::move(item);
        }
    }
    // Whatever follows the feed must be well-formed too.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError() || !hasChannel)
        return std::nullopt;
    return newest;
}

bool isNewerVersion(const QString& candidate, const QString& current)
{
    const QVersionNumber offered = versionOf(candidate);
    return !offered.isNull() && offered > versionOf(current);
}
