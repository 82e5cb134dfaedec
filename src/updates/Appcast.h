// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// One release in an appcast: an RSS 2.0 feed whose <item>s name a version with
// the attributes update frameworks use, in the namespace
// xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle":
//
//   <item>
//     <link>https://example.org/vantle</link>          the download page
//     <description>What changed…</description>         the release notes
//     <sparkle:releaseNotesLink>https://…</sparkle:releaseNotesLink>
//     <enclosure url="https://…/vantle-1.2.tar.gz" length="123456"
//                type="application/gzip" sparkle:version="1.2"
//                sparkle:shortVersionString="1.2"
//                sparkle:sha256="<64 hex digits>"/>
//   </item>
//
// sparkle:version and sparkle:shortVersionString may also be child elements
// of the item. sparkle:sha256 is the SHA-256 of the enclosure's bytes; without
// it (or without length) the file is never downloaded automatically.
struct AppcastItem {
    QString version;        // compared with the running version
    QString displayVersion; // shown; the short version string, else the version
    QString releaseNotes;
    QUrl releaseNotesLink;
    QUrl downloadPage;
    QUrl enclosureUrl;
    qint64 enclosureLength = 0;
    QByteArray enclosureSha256; // 32 bytes, or empty
};

// The item with the highest version; nullopt when the text is not a
// well-formed RSS feed or no item has a version. Addresses that are not
// allowed (see UpdateAddress.h) read as absent.
std::optional<AppcastItem> newestAppcastItem(const QByteArray& xml);

// Compares dot-separated numbers component by component (1.10 > 1.9,
// 1.0 == 1.0.0); text after a component's digits is ignored. A candidate that
// is no version is never newer.
bool isNewerVersion(const QString& candidate, const QString& current);
