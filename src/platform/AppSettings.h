// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class QSettings;

// The user's settings, declared once. The INI file keeps no types across
// processes, so reads are typed here: an integer is a value that parses whole
// as a decimal integer, a list is read as a string list. Anything else reads
// as the declared default.
namespace settings {

enum class Type { Integer, Text, TextList, Boolean };

struct Declaration {
    const char* key;
    Type type;
    QVariant defaultValue;
    qint64 minimum = 0; // integers are clamped to [minimum, maximum]
    qint64 maximum = 0;
};

extern const Declaration expiryValue;      // "expiryValue", 1, clamped to 1...999
extern const Declaration expiryUnit;       // "expiryUnit", "hours"
extern const Declaration moveDestinations; // "MoveMRU.destinations", empty list
// "automaticallyChecksForUpdates" and "automaticallyDownloadsUpdates", false.
extern const Declaration automaticallyChecksForUpdates;
extern const Declaration automaticallyDownloadsUpdates;
// "lastUpdateCheck", seconds since the epoch of the last update check; 0: never.
extern const Declaration lastUpdateCheck;
// The tidy rule, off by default: "TidyRule.enabled" (false), "TidyRule.olderThanDays"
// (30, 1...3650), "TidyRule.kinds" (empty: every kind), "TidyRule.destination"
// ("trash" or "archive"), "TidyRule.archiveFolder" (empty: Downloads/Archive/YYYY/MM),
// "TidyRule.includeFolders" (false), "TidyRule.recentlyUsedDays" (30, 0...3650; 0: none).
extern const Declaration tidyEnabled;
extern const Declaration tidyOlderThanDays;
extern const Declaration tidyKinds;
extern const Declaration tidyDestination;
extern const Declaration tidyArchiveFolder;
extern const Declaration tidyIncludeFolders;
extern const Declaration tidyRecentlyUsedDays;
// "DownloadNotifier.enabled" (false): new downloads are answered through a
// desktop notification instead of the toast (always so where no toast can show).
extern const Declaration notifyNewDownloads;
// "NoTrayHint.given" (false): the word on reaching the list without a tray was said.
extern const Declaration noTrayHintGiven;
// "TidyRule.confirmed": the rule (TidyRule::fingerprint) whose preview the user
// saw and applied, so that it may run on its own; empty: none.
// "TidyRule.lastRun": seconds since the epoch of the last run; 0: never.
extern const Declaration tidyConfirmed;
extern const Declaration tidyLastRun;

// A QSettings on $XDG_CONFIG_HOME/Vantle/Vantle.conf; a fresh object each call
// so that every thread may read.
std::unique_ptr<QSettings> open();

qint64 readInteger(const Declaration& declaration);
QString readText(const Declaration& declaration);
QStringList readTextList(const Declaration& declaration);
bool readBoolean(const Declaration& declaration);
void write(const Declaration& declaration, const QVariant& value);

} // namespace settings
