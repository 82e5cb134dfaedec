// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "move/FolderMatch.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An immutable list of folder paths prepared once for searching per
// keystroke. The paths are kept as a tree of segments: a folder's match state
// is its parent's state advanced by its own last segment, so each segment is
// lower-cased once and scanned at most once per query however many folders
// lie below it. Gives exactly the results of foldermatcher::search over the
// same paths.
class FolderList {
public:
    FolderList(QStringList paths, QString homePath);

    const QStringList& paths() const { return m_paths; }
    const QString& homePath() const { return m_homePath; }
    qsizetype size() const { return m_paths.size(); }

    QList<FolderMatch> search(const QString& query, int limit) const;

private:
    // One distinct sequence of segments; listed paths and their ancestors.
    struct Node {
        std::int32_t parent;  // -1 for a first segment
        std::uint32_t offset; // of the last segment, lower-cased UTF-8 in m_text
        std::uint32_t length; // of the last segment, in code points
        std::uint32_t depth;  // number of segments
        std::uint64_t mask;   // characters present in the last segment
    };

    std::int32_t nodeFor(const QString& key, QHash<QString, std::int32_t>& nodes);

    QStringList m_paths;
    QString m_homePath;
    QString m_homePrefix;
    std::string m_text;
    std::vector<Node> m_nodes;         // parents before children
    std::vector<std::int32_t> m_entry; // node of each path; -1 when it has no segments
};

using SharedFolderList = std::shared_ptr<const FolderList>;
