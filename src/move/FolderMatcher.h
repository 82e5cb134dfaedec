// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "move/FolderMatch.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

// The fuzzy folder matcher: each query token must match, as a subsequence, a
// later path segment than the token before it. Pure functions.
namespace foldermatcher {

// The query lower-cased (full Unicode mapping) and split at white space, as
// code points. No tokens for a blank query.
std::vector<std::u32string> tokenize(const QString& query);

// The path's segments below `homePrefix` (the home folder with a trailing
// slash), or of the whole path when it lies outside; empty pieces dropped.
QStringList segmentsOf(const QString& path, const QString& homePrefix);

// One path scored against the tokens; nothing when it does not match.
std::optional<FolderMatch> scoreFolder(const QString& path,
                                       const std::vector<std::u32string>& tokens,
                                       const QString& homePrefix);

// The best `limit` matches of `paths`, by score, ties in list order.
QList<FolderMatch> search(const QString& query, const QStringList& paths, const QString& homePath,
                          int limit);

// What a recent destination at `position` (0 = most recent) adds to a match.
double recencyBonus(qsizetype position);

// Lifts recently used destinations among the matches and re-sorts them stably.
QList<FolderMatch> rankForMoveInput(QList<FolderMatch> matches,
                                    const QStringList& recentDestinations);

// Keeps `matches` sorted by score, ties in arrival order, at most `limit` long.
void insertRanked(QList<FolderMatch>& matches, FolderMatch match, int limit);

} // namespace foldermatcher
