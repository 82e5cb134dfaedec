// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <cstdint>

// What may be recorded of an item directly inside Downloads. The live
// watcher, the rescan and the start-up listing all ask this one rule.
struct Admission {
    enum Verdict {
        record,
        // An empty folder (or one holding only ignored names): recorded once
        // something arrives in it.
        deferFolder,
        skip,
    };
    Verdict verdict = skip;
    QString reason;        // for a skip: what the item is, for the diagnostic
    std::int64_t size = 0; // what the record holds: 0 for a folder
};

// `st` is what lstat says of `path`; a folder's contents are listed.
Admission admissionOf(const QString& path, const ItemStat& st);

// A folder with nothing in it but ignored names; an unreadable one counts as empty.
bool isEffectivelyEmptyDirectory(const QString& path);
