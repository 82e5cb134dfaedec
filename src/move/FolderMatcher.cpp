// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderMatcher.h"

#include "move/MatchScoring.h"

#include <algorithm>

namespace foldermatcher {

namespace {

std::u32string codePoints(const QString& text)
{
    std::u32string points;
    points.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t point : text.toUcs4())
        points.push_back(point);
    return points;
}

void sortByScore(QList<FolderMatch>& matches)
{
    std::stable_sort(matches.begin(), matches.end(),
                     [](const FolderMatch& a, const FolderMatch& b) { return a.score > b.score; });
}

} // namespace

std::vector<std::u32string> tokenize(const QString& query)
{
    std::vector<std::u32string> tokens;
    std::u32string current;
    for (char32_t point : query.toLower().toUcs4()) {
        if (QChar::isSpace(point)) {
            if (!current.empty())
                tokens.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(point);
        }
    }
    if (!current.empty())
        tokens.push_back(std::move(current));
    return tokens;
}

QStringList segmentsOf(const QString& path, const QString& homePrefix)
{
    const QString relative = path.startsWith(homePrefix) ? path.mid(homePrefix.size()) : path;
    return relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

std::optional<FolderMatch> scoreFolder(const QString& path,
                                       const std::vector<std::u32string>& tokens,
                                       const QString& homePrefix)
{
    const QStringList segments = segmentsOf(path, homePrefix);
    std::vector<std::u32string> lowered;
    lowered.reserve(static_cast<std::size_t>(segments.size()));
    for (const QString& segment : segments)
        lowered.push_back(codePoints(segment.toLower()));
    const auto outcome =
        matchscoring::scoreSegments(lowered.size(), tokens, [&](std::size_t j, std::size_t t) {
            const std::u32string& segment = lowered[j];
            std::size_t k = 0;
            return matchscoring::matchSegment(
                segment.size(), [&] { return segment[k++]; }, tokens[t]);
        });
    if (!outcome)
        return std::nullopt;
    return FolderMatch{path, outcome->score, outcome->lastMatchedSegmentIndex, segments};
}

QList<FolderMatch> search(const QString& query, const QStringList& paths, const QString& homePath,
                          int limit)
{
    const std::vector<std::u32string> tokens = tokenize(query);
    if (tokens.empty())
        return {};
    const QString prefix = homePath + QLatin1Char('/');
    QList<FolderMatch> matches;
    matches.reserve(64);
    for (const QString& path : paths) {
        if (auto match = scoreFolder(path, tokens, prefix))
            matches.append(std::move(*match));
    }
    sortByScore(matches);
    if (matches.size() > std::max(limit, 0))
        matches.resize(std::max(limit, 0));
    return matches;
}

double recencyBonus(qsizetype position)
{
    constexpr double mostRecent = 4.0;
    constexpr double step = 0.3;
    if (position < 0)
        return 0.0;
    return std::max(0.0, mostRecent - step * static_cast<double>(position));
}

QList<FolderMatch> rankForMoveInput(QList<FolderMatch> matches,
                                    const QStringList& recentDestinations)
{
    for (FolderMatch& match : matches) {
        const qsizetype position = recentDestinations.indexOf(match.path);
        if (position >= 0)
            match.score += recencyBonus(position);
    }
    sortByScore(matches);
    return matches;
}

void insertRanked(QList<FolderMatch>& matches, FolderMatch match, int limit)
{
    if (limit <= 0)
        return;
    if (matches.size() >= limit && !(match.score > matches.back().score))
        return;
    // After every match of an equal or higher score: ties keep arrival order.
    auto at = std::upper_bound(
        matches.begin(), matches.end(), match.score,
        [](double score, const FolderMatch& existing) { return score > existing.score; });
    matches.insert(at, std::move(match));
    if (matches.size() > limit)
        matches.removeLast();
}

} // namespace foldermatcher
