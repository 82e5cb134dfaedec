// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "move/FolderMatch.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An immutable list of folder paths with their lower-cased segments prepared
// once, so that a search per keystroke only compares. Gives exactly the
// results of foldermatcher::search over the same paths.
class FolderList {
public:
    FolderList(QStringList paths, QString homePath);

    const QStringList& paths() const { return m_paths; }
    const QString& homePath() const { return m_homePath; }
    qsizetype size() const { return m_paths.size(); }

    QList<FolderMatch> search(const QString& query, int limit) const;

private:
    struct Segment {
        std::uint32_t offset; // into m_text, lower-cased UTF-8
        std::uint32_t length; // in code points
        std::uint64_t mask;   // characters present, see characterBit
    };
    struct Folder {
        std::uint32_t firstSegment;
        std::uint32_t segmentCount;
        std::uint64_t mask; // union of the segments' masks
    };

    QStringList m_paths;
    QString m_homePath;
    QString m_homePrefix;
    std::string m_text;
    std::vector<Segment> m_segments;
    std::vector<Folder> m_folders;
};

using SharedFolderList = std::shared_ptr<const FolderList>;
