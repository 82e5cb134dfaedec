// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverLists.h"

#include "platform/Formatters.h"
#include "watcher/NameRules.h"

#include <QStringList>
#include <algorithm>

namespace {

QString describe(const TrackedFile& record)
{
    return record.fileName + QLatin1Char('[') + rawValue(record.state) +
           QStringLiteral(" marked=") + diagnosticDate(record.markedTemporaryAt) +
           QStringLiteral(" exp=") + diagnosticDate(record.expiresAt) + QLatin1Char(']');
}

} // namespace

namespace popoverlists {

bool isListedAsIgnored(const TrackedFile& record, const Holds& holds)
{
    return record.state == FileState::dismissed && !names::isIgnoredName(record.fileName) &&
           !record.filePath.isEmpty() && holds(record);
}

PopoverLists derive(std::vector<TrackedFile> records, const Holds& holds, const Origin& origin)
{
    PopoverLists lists;
    lists.recordCount = int(records.size());
    QStringList descriptions;
    for (TrackedFile& record : records) {
        descriptions.append(describe(record));
        if (record.state == FileState::temporary)
            lists.temporaryFiles.push_back(record);
        else if (isListedAsIgnored(record, holds))
            lists.ignoredFiles.push_back(std::move(record));
    }
    // Stable, so equal expiries keep their newest-first order.
    std::stable_sort(lists.temporaryFiles.begin(), lists.temporaryFiles.end(),
                     [](const TrackedFile& a, const TrackedFile& b) {
                         if (!a.expiresAt || !b.expiresAt)
                             return a.expiresAt.has_value() && !b.expiresAt.has_value();
                         return *a.expiresAt < *b.expiresAt;
                     });
    if (origin) {
        for (const auto* list : {&lists.temporaryFiles, &lists.ignoredFiles}) {
            for (const TrackedFile& file : *list) {
                if (auto url = origin(file))
                    lists.origins.insert(file.id, *url);
            }
        }
    }
    lists.logLine =
        QStringLiteral("PopoverContentView body: count=%1 files=[").arg(records.size()) +
        descriptions.join(QStringLiteral(", ")) + QLatin1Char(']');
    return lists;
}

} // namespace popoverlists
