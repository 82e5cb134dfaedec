// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderList.h"

#include "move/FolderMatcher.h"
#include "move/MatchScoring.h"

#include <QHash>

namespace {

// One bit per letter and digit, the rest folded into the remaining bits: a
// segment can only hold a token whose bits it has.
std::uint64_t characterBit(char32_t point)
{
    if (point >= U'a' && point <= U'z')
        return std::uint64_t(1) << (point - U'a');
    if (point >= U'0' && point <= U'9')
        return std::uint64_t(1) << (26 + (point - U'0'));
    return std::uint64_t(1) << (36 + point % 28);
}

std::uint64_t maskOf(const std::u32string& token)
{
    std::uint64_t mask = 0;
    for (char32_t point : token)
        mask |= characterBit(point);
    return mask;
}

// Decodes well-formed UTF-8 as written by QString::toUtf8.
char32_t decodeAt(const char* text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t point = lead & (0x3F >> extra);
    while (extra-- > 0)
        point = (point << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    return point;
}

// How far the tokens got along one sequence of segments.
struct MatchState {
    double total = 0.0;
    std::uint32_t matched = 0; // tokens matched so far
    std::uint32_t next = 0;    // first segment the next token may use
    std::uint32_t last = 0;    // segment of the last matched token
};

} // namespace

FolderList::FolderList(QStringList paths, QString homePath)
    : m_paths(std::move(paths)), m_homePath(std::move(homePath)),
      m_homePrefix(m_homePath + QLatin1Char('/'))
{
    QHash<QString, std::int32_t> nodes;
    nodes.reserve(m_paths.size());
    m_entry.reserve(static_cast<std::size_t>(m_paths.size()));
    for (const QString& path : m_paths) {
        // Paths with the same segments score the same: the key is the
        // segments, whatever slashes or prefix the path had.
        const QStringList segments = foldermatcher::segmentsOf(path, m_homePrefix);
        m_entry.push_back(segments.isEmpty() ? -1
                                             : nodeFor(segments.join(QLatin1Char('/')), nodes));
    }
}

std::int32_t FolderList::nodeFor(const QString& key, QHash<QString, std::int32_t>& nodes)
{
    if (const auto found = nodes.constFind(key); found != nodes.cend())
        return found.value();
    const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
    const std::int32_t parent = slash < 0 ? -1 : nodeFor(key.left(slash), nodes);
    const QString lowered = key.mid(slash + 1).toLower();
    const QByteArray utf8 = lowered.toUtf8();
    Node node{parent, static_cast<std::uint32_t>(m_text.size()), 0,
              parent < 0 ? 1u : m_nodes[std::size_t(parent)].depth + 1, 0};
    for (char32_t point : lowered.toUcs4()) {
        node.mask |= characterBit(point);
        ++node.length;
    }
    m_text.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    m_nodes.push_back(node);
    const auto index = static_cast<std::int32_t>(m_nodes.size() - 1);
    nodes.insert(key, index);
    return index;
}

QList<FolderMatch> FolderList::search(const QString& query, int limit) const
{
    const std::vector<std::u32string> tokens = foldermatcher::tokenize(query);
    if (tokens.empty() || limit <= 0)
        return {};
    std::vector<std::uint64_t> tokenMasks;
    for (const std::u32string& token : tokens)
        tokenMasks.push_back(maskOf(token));
    const auto tokenCount = static_cast<std::uint32_t>(tokens.size());

    // The same steps as scoreSegments, one segment at a time: the token due
    // next is tried on each further segment until one holds it.
    std::vector<MatchState> states(m_nodes.size());
    const char* text = m_text.data();
    for (std::size_t n = 0; n < m_nodes.size(); ++n) {
        const Node& node = m_nodes[n];
        MatchState state = node.parent < 0 ? MatchState{} : states[std::size_t(node.parent)];
        if (state.matched < tokenCount) {
            const std::u32string& token = tokens[state.matched];
            const std::uint64_t need = tokenMasks[state.matched];
            if (node.length >= token.size() && (node.mask & need) == need) {
                std::size_t at = node.offset;
                const auto points = matchscoring::matchSegment(
                    node.length, [&] { return decodeAt(text, at); }, token);
                if (points) {
                    const std::uint32_t j = node.depth - 1;
                    state.total += *points;
                    state.total +=
                        static_cast<double>(j - state.next) * matchscoring::skippedSegmentPenalty;
                    state.last = j;
                    state.next = j + 1;
                    ++state.matched;
                }
            }
        }
        states[n] = state;
    }

    QList<FolderMatch> best;
    for (qsizetype i = 0; i < m_paths.size(); ++i) {
        const std::int32_t entry = m_entry[std::size_t(i)];
        if (entry < 0)
            continue;
        const MatchState& state = states[std::size_t(entry)];
        if (state.matched < tokenCount)
            continue;
        const std::uint32_t depth = m_nodes[std::size_t(entry)].depth;
        double score = state.total + static_cast<double>(depth) * matchscoring::depthPenalty;
        if (state.last == depth - 1)
            score += matchscoring::finalSegmentBonus;
        if (best.size() >= limit && !(score > best.back().score))
            continue;
        const QString& path = m_paths[i];
        foldermatcher::insertRanked(best,
                                    FolderMatch{path, score, static_cast<int>(state.last),
                                                foldermatcher::segmentsOf(path, m_homePrefix)},
                                    limit);
    }
    return best;
}
