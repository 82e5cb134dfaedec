// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// One folder that matched a typed query.
struct FolderMatch {
    QString path; // exactly as indexed
    double score = 0.0;
    // Index into `segments` of the segment in which the last query token matched.
    int lastMatchedSegmentIndex = 0;
    // The path's components below the home folder, in their own letter case.
    QStringList segments;
};
