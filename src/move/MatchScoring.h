// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

// The arithmetic of the matcher, shared by the plain and the prepared search so
// that both give the same doubles.
namespace matchscoring {

inline constexpr double adjacentBonus = 1.5;
inline constexpr double matchPoint = 1.0;
inline constexpr double startBonus = 2.5;
inline constexpr double startBonusStep = 0.5;
inline constexpr double exactLengthBonus = 3.0;
inline constexpr double extraLengthPenalty = -0.05;
inline constexpr double skippedSegmentPenalty = -0.4;
inline constexpr double depthPenalty = -0.3;
inline constexpr double finalSegmentBonus = 2.0;

// Greedy leftmost subsequence of `token` in a segment whose lower-cased code
// points `next()` yields one by one (0 past the end); `length` is the
// segment's length in code points. Returns the segment's points, or nothing.
template <typename Next>
std::optional<double> matchSegment(std::size_t length, Next&& next, const std::u32string& token)
{
    if (length < token.size())
        return std::nullopt;
    std::size_t i = 0;
    long last = -2;
    double segScore = 0.0;
    for (long k = 0; i < token.size() && k < static_cast<long>(length); ++k) {
        if (next() != token[i])
            continue;
        segScore += (k == last + 1) ? adjacentBonus : matchPoint;
        if (i == 0)
            segScore += std::max(0.0, startBonus - startBonusStep * static_cast<double>(k));
        ++i;
        last = k;
    }
    if (i < token.size())
        return std::nullopt;
    return (length == token.size() ? segScore + exactLengthBonus : segScore) +
           static_cast<double>(static_cast<long>(length) - static_cast<long>(token.size())) *
               extraLengthPenalty;
}

struct Outcome {
    double score = 0.0;
    int lastMatchedSegmentIndex = 0;
};

// Scores the tokens, in order and each in its own segment, against a path's
// segments. `segmentPoints(j, t)` is matchSegment of token t in segment j.
template <typename SegmentPoints>
std::optional<Outcome> scoreSegments(std::size_t segmentCount,
                                     const std::vector<std::u32string>& tokens,
                                     SegmentPoints&& segmentPoints)
{
    if (segmentCount == 0 || tokens.empty())
        return std::nullopt;
    double total = 0.0;
    std::size_t next = 0;
    std::size_t lastSegment = 0;
    for (std::size_t t = 0; t < tokens.size(); ++t) {
        if (next >= segmentCount)
            return std::nullopt;
        std::optional<double> points;
        std::size_t j = next;
        for (; j < segmentCount; ++j) {
            points = segmentPoints(j, t);
            if (points)
                break;
        }
        if (!points)
            return std::nullopt;
        total += *points;
        total += static_cast<double>(j - next) * skippedSegmentPenalty;
        lastSegment = j;
        next = j + 1;
    }
    double score = total + static_cast<double>(segmentCount) * depthPenalty;
    if (lastSegment == segmentCount - 1)
        score += finalSegmentBonus;
    return Outcome{score, static_cast<int>(lastSegment)};
}

} // namespace matchscoring
