// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QMimeType>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

// Which kept items leave Downloads, and for where: items older than a number
// of days, optionally only of some kinds, to the Trash or to an archive folder.
struct TidyRule {
    enum class Destination { trash, archive };

    bool enabled = false; // the rule runs on its own only when enabled
    int olderThanDays = 30;
    QStringList kinds; // names from `kindNames`; empty: every kind
    Destination destination = Destination::trash;
    QString archiveFolder;       // empty: Downloads/Archive/YYYY/MM by the item's date
    bool includeFolders = false; // folders stay unless included
    int recentlyUsedDays = 30;   // opened within this many days: stays; 0: no exclusion

    // "installers", "archives", "disk-images", "documents", "images", "audio", "video".
    static const QStringList& kindNames();
    // The kind of a MIME type, by its name and what it inherits; none for the rest.
    static std::optional<QString> kindOf(const QMimeType& type);

    // The rule the user set in the settings.
    static TidyRule fromSettings();
    // Changes the rule for one run: "olderThanDays" (a whole number of days,
    // at least 1), "kinds" (names from `kindNames`), "to" ("trash" or an
    // absolute folder). The error when one is not understood; then the rule
    // is left as it was.
    std::optional<QString> applyOptions(const QVariantMap& options);
    // The rule in one line of text: two rules that take the same items
    // under the same names have the same fingerprint.
    QString fingerprint() const;
    // Where an item dated `since` goes when archived.
    QString archiveFolderFor(const QString& downloadsPath, const QDateTime& since) const;
    // The archive's root folder inside Downloads, which the rule never takes
    // (whatever the destination now); empty when the archive is elsewhere.
    QString archiveRootIn(const QString& downloadsPath) const;
};
