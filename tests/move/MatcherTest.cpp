// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "move/FolderList.h"
#include "move/FolderMatcher.h"

#include <QRandomGenerator>

namespace {

const QString home = "/Users/me";

QString at(const QString& relative)
{
    return home + QLatin1Char('/') + relative;
}

// The plain matcher and the prepared list must agree on everything.
QList<FolderMatch> searchBoth(const QString& query, const QStringList& paths, int limit = 3)
{
    const QList<FolderMatch> plain = foldermatcher::search(query, paths, home, limit);
    const QList<FolderMatch> prepared = FolderList(paths, home).search(query, limit);
    EXPECT_EQ(plain.size(), prepared.size()) << query.toStdString();
    const auto fields = [](const FolderMatch& m) {
        return std::tuple(m.path, m.score, m.lastMatchedSegmentIndex, m.segments); // bit for bit
    };
    for (qsizetype i = 0; i < std::min(plain.size(), prepared.size()); ++i)
        EXPECT_EQ(fields(plain[i]), fields(prepared[i]));
    return plain;
}

QStringList pathsOf(const QList<FolderMatch>& matches)
{
    return textsOf(matches, [](const FolderMatch& m) { return m.path; });
}

TEST(FolderMatcher, WholeShallowMatchesRankFirstTiesKeepListOrderAndSegmentsAreWhatWasMatched)
{
    auto match = [](const char* relative, const char* query) {
        const auto found = searchBoth(QString::fromUtf8(query), {at(QString::fromUtf8(relative))});
        EXPECT_EQ(found.size(), 1) << relative << " / " << query;
        return found.value(0);
    };
    const FolderMatch proj = match("Documents/Projects", "proj");
    EXPECT_GT(match("Projects", "projects").score, match("Documents/Projects", "projects").score);
    EXPECT_GT(match("Documents/Projects", "projects").score, proj.score);
    // Passing over a segment costs.
    EXPECT_GT(match("Documents/Projects", "doc proj").score, proj.score);
    EXPECT_EQ(proj.lastMatchedSegmentIndex, 1);
    EXPECT_EQ(match("Documents/Projects", "doc").segments, (QStringList{"Documents", "Projects"}));
    // Worked values where lengths in UTF-16 units matter: an emoji is one code
    // point but two units on both sides; İ lower-cases to i and a combining
    // dot, so its segment grows by one.
    EXPECT_EQ(QString::number(match("\U0001F600a", "\U0001F600A").score, 'g', 12), "9.7");
    EXPECT_EQ(QString::number(match("\u0130stanbul", "istanbul").score, 'g', 12), "15.15");
    // Outside the home folder the whole path is scored.
    const auto outside = searchBoth("srv data", {"/srv/data"});
    ASSERT_EQ(outside.size(), 1);
    EXPECT_EQ(outside[0].segments, (QStringList{"srv", "data"}));
    // Shallowest first, then ties in list order; the limit keeps the best.
    const QStringList paths{at("b/Notes"), at("a/Notes"), at("Notes"), at("c/Notes"),
                            at("x/y/Notes")};
    const QStringList all{paths[2], paths[0], paths[1], paths[3], paths[4]};
    EXPECT_EQ(pathsOf(searchBoth("notes", paths, 10)), all);
    EXPECT_EQ(pathsOf(searchBoth("notes", paths, 3)), all.mid(0, 3));
    EXPECT_TRUE(searchBoth("notes", paths, 0).isEmpty());
}

TEST(FolderMatcher, QueriesAreLowerCasedSplitAtAnyBlankAndMatchDistinctSegmentsLeftToRight)
{
    const QStringList paths{at("Documents/Projects")};
    const auto plain = searchBoth("doc proj", paths);
    ASSERT_EQ(plain.size(), 1);
    for (const char* query : {"  Doc   PROJ ", "doc\tproj", "doc\u00A0proj"}) {
        const auto same = searchBoth(QString::fromUtf8(query), paths);
        ASSERT_EQ(same.size(), 1) << query;
        EXPECT_EQ(same[0].score, plain[0].score) << query;
    }
    for (const char* query : {"", "   ", "proj doc", "d p x", "xyz"})
        EXPECT_TRUE(searchBoth(QString::fromUtf8(query), paths).isEmpty()) << query;
    EXPECT_TRUE(searchBoth("doc ments", {at("Documents")}).isEmpty());
}

TEST(FolderMatcher, PreparedListAgreesWithThePlainMatcherOnManyPaths)
{
    const QStringList words{"Documents", "Projects",  "Photos",    "Music", "Über",
                            "src",       "Downloads", "data-2024", "ΣΟΦΙΑ", "notes"};
    QRandomGenerator random(42);
    QStringList paths;
    for (int i = 0; i < 2000; ++i) {
        QStringList parts;
        const int depth = 1 + int(random.bounded(5));
        for (int d = 0; d < depth; ++d)
            parts.append(words[int(random.bounded(qsizetype(words.size())))]);
        paths.append(at(parts.join(QLatin1Char('/'))));
    }
    for (const char* query : {"d", "doc", "do pr", "über", "σοφ", "2024", "s n", "mus ph x", "o"})
        searchBoth(QString::fromUtf8(query), paths);
}

TEST(MoveRanking, RecentDestinationsGainABonusThatFadesWithAge)
{
    QStringList recent;
    for (int i = 0; i < 15; ++i)
        recent.append(at(QStringLiteral("r%1").arg(i)));
    const QString top = at("top");
    const auto ranked = foldermatcher::rankForMoveInput(
        {{top, 10.0, 0, {}}, {recent[14], 9.0, 0, {}}, {recent[0], 7.0, 0, {}}}, recent);
    // The newest lifts 7 past 10; the oldest gains nothing.
    EXPECT_EQ(pathsOf(ranked), (QStringList{recent[0], top, recent[14]}));
    EXPECT_DOUBLE_EQ(ranked.value(2).score, 9.0);
}

} // namespace
