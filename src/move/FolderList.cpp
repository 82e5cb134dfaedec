// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderList.h"

#include "move/FolderMatcher.h"
#include "move/MatchScoring.h"

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

} // namespace

FolderList::FolderList(QStringList paths, QString homePath)
    : m_paths(std::move(paths)), m_homePath(std::move(homePath)),
      m_homePrefix(m_homePath + QLatin1Char('/'))
{
    m_folders.reserve(static_cast<std::size_t>(m_paths.size()));
    for (const QString& path : m_paths) {
        Folder folder{static_cast<std::uint32_t>(m_segments.size()), 0, 0};
        for (const QString& segment : foldermatcher::segmentsOf(path, m_homePrefix)) {
            const QString lowered = segment.toLower();
            const QByteArray utf8 = lowered.toUtf8();
            Segment prepared{static_cast<std::uint32_t>(m_text.size()), 0, 0};
            std::uint32_t length = 0;
            for (char32_t point : lowered.toUcs4()) {
                prepared.mask |= characterBit(point);
                ++length;
            }
            prepared.length = length;
            m_text.append(utf8.constData(), static_cast<std::size_t>(utf8.size()));
            folder.mask |= prepared.mask;
            m_segments.push_back(prepared);
            ++folder.segmentCount;
        }
        m_folders.push_back(folder);
    }
}

QList<FolderMatch> FolderList::search(const QString& query, int limit) const
{
    const std::vector<std::u32string> tokens = foldermatcher::tokenize(query);
    if (tokens.empty() || limit <= 0)
        return {};
    std::vector<std::uint64_t> tokenMasks;
    std::uint64_t queryMask = 0;
    for (const std::u32string& token : tokens) {
        tokenMasks.push_back(maskOf(token));
        queryMask |= tokenMasks.back();
    }

    QList<FolderMatch> best;
    const char* text = m_text.data();
    for (std::size_t index = 0; index < m_folders.size(); ++index) {
        const Folder& folder = m_folders[index];
        if ((folder.mask & queryMask) != queryMask || folder.segmentCount < tokens.size())
            continue;
        const Segment* segments = m_segments.data() + folder.firstSegment;
        const auto outcome = matchscoring::scoreSegments(
            folder.segmentCount, tokens,
            [&](std::size_t j, std::size_t t) -> std::optional<double> {
                const std::u32string& token = tokens[t];
                const Segment& segment = segments[j];
                const std::uint64_t need = tokenMasks[t];
                if (segment.length < token.size() || (segment.mask & need) != need)
                    return std::nullopt;
                std::size_t at = segment.offset;
                return matchscoring::matchSegment(
                    segment.length, [&] { return decodeAt(text, at); }, token);
            });
        if (!outcome)
            continue;
        if (best.size() >= limit && !(outcome->score > best.back().score))
            continue;
        const QString& path = m_paths[static_cast<qsizetype>(index)];
        foldermatcher::insertRanked(best,
                                    FolderMatch{path, outcome->score,
                                                outcome->lastMatchedSegmentIndex,
                                                foldermatcher::segmentsOf(path, m_homePrefix)},
                                    limit);
    }
    return best;
}
