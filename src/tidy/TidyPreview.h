// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/TrackedFile.h"
#include "tidy/TidyRule.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

// One item a tidy rule takes, and where it goes.
struct TidyItem {
    QString path;
    std::uint64_t inode = 0;
    bool isFolder = false;
    std::int64_t size = 0; // a folder counts 0
    QDateTime since;       // when it arrived (its record), else its last change
    int ageDays = 0;
    QString destination; // the folder it goes to; empty: the Trash
};

// What a rule would take from Downloads now: kept items directly inside it
// (neither temporary nor waiting in a toast nor kept forever), older than
// the rule's days, of its kinds, not opened lately, folders only when
// included, and never the archive itself. Nothing is moved.
struct TidyPreview {
    struct Inputs {
        QString downloadsPath;
        QString recentlyUsedPath; // the bookmark file; empty: none
        QDateTime now;
    };

    std::vector<TidyItem> items; // oldest first
    QString error;               // why Downloads could not be read
    std::int64_t totalSize = 0;

    // Blocking (lists Downloads and reads the bookmark file); any thread.
    static TidyPreview of(const TidyRule& rule, const std::vector<TrackedFile>& records,
                          const Inputs& inputs);
};
