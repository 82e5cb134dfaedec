// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderIndex.h"
#include "move/FolderList.h"
#include "move/FolderMatcher.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

const QString home = QStringLiteral("/Users/me");

QString at(const QString& relative)
{
    return home + QLatin1Char('/') + relative;
}

// The plain matcher and the prepared list must agree on everything.
QList<FolderMatch> searchBoth(const QString& query, const QStringList& paths, int limit)
{
    const QList<FolderMatch> plain = foldermatcher::search(query, paths, home, limit);
    const QList<FolderMatch> prepared = FolderList(paths, home).search(query, limit);
    EXPECT_EQ(plain.size(), prepared.size()) << query.toStdString();
    for (qsizetype i = 0; i < std::min(plain.size(), prepared.size()); ++i) {
        EXPECT_EQ(plain[i].path, prepared[i].path);
        EXPECT_EQ(plain[i].score, prepared[i].score); // bit for bit
        EXPECT_EQ(plain[i].lastMatchedSegmentIndex, prepared[i].lastMatchedSegmentIndex);
        EXPECT_EQ(plain[i].segments, prepared[i].segments);
    }
    return plain;
}

TEST(FolderFilter, RejectsHomeLibraryHiddenBuildAndPackageFolders)
{
    const struct {
        const char* path;
        bool indexable;
    } cases[] = {
        {"/Users/me", false},
        {"/Users/me/Library", false},
        {"/Users/me/Library/Mail", false},
        {"/Users/me/Documents/Library", true},
        {"/Users/me/Libraryish", true},
        {"/Users/me/.config/x", false},
        {"/Users/me/code/app/node_modules/lib", false},
        {"/Users/me/Apps/Tool.app/Contents", false},
        {"/Users/me/Photos Library.photoslibrary", false},
        {"/Users/me/Tool.APP", false},
        {"/Users/me/NODE_MODULES", true},
        {"/Users/me/ends.", true},
        {"/Users/me/archive.tar", true},
        {"/Users/me/a/__pycache__", false},
        {"/Users/meadow/Documents", false},
        {"/Users/other/Documents", false},
        {"/Users/me/Documents/Projects", true},
    };
    for (const auto& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(FolderIndex::isIndexable(path, home), c.indexable) << c.path;
    }
}

TEST(FolderMatcher, WorkedValuesComeOutToTheDigit)
{
    const struct {
        const char* relative;
        const char* query;
        const char* score;
        int lastMatchedSegmentIndex;
    } cases[] = {
        {"Documents/Projects", "doc proj", "15.4", 1},
        {"Documents/Projects", "proj", "8.8", 1},
        {"Documents/Projects", "projects", "18", 1},
        {"Projects", "projects", "18.7", 0},
        {"Downloads", "dl", "5.85", 0},
    };
    for (const auto& c : cases) {
        const QString path = at(QString::fromUtf8(c.relative));
        const auto matches = searchBoth(QString::fromUtf8(c.query), {path}, 3);
        ASSERT_EQ(matches.size(), 1) << c.query;
        EXPECT_EQ(QString::number(matches[0].score, 'g', 12).toStdString(), c.score) << c.query;
        EXPECT_EQ(matches[0].lastMatchedSegmentIndex, c.lastMatchedSegmentIndex);
        EXPECT_EQ(matches[0].path, path);
        EXPECT_EQ(matches[0].segments, QString::fromUtf8(c.relative).split(QLatin1Char('/')));
    }
}

TEST(FolderMatcher, TokensAreLowerCasedAndSplitAtAnyWhiteSpace)
{
    const QStringList paths{at(QStringLiteral("Documents/Projects"))};
    EXPECT_TRUE(searchBoth(QStringLiteral("   "), paths, 3).isEmpty());
    EXPECT_TRUE(searchBoth(QString(), paths, 3).isEmpty());
    const auto messy = searchBoth(QStringLiteral("  Doc   PROJ "), paths, 3);
    const auto plain = searchBoth(QStringLiteral("doc proj"), paths, 3);
    ASSERT_EQ(messy.size(), 1);
    ASSERT_EQ(plain.size(), 1);
    EXPECT_EQ(messy[0].score, plain[0].score);
    // Tabs and the no-break space separate tokens too.
    const auto tabbed = searchBoth(QStringLiteral("doc\tproj"), paths, 3);
    const auto nbsp =
        searchBoth(QStringLiteral("doc") + QChar(0x00A0) + QStringLiteral("proj"), paths, 3);
    ASSERT_EQ(tabbed.size(), 1);
    ASSERT_EQ(nbsp.size(), 1);
    EXPECT_EQ(tabbed[0].score, plain[0].score);
    EXPECT_EQ(nbsp[0].score, plain[0].score);
}

TEST(FolderMatcher, TokensMatchDistinctSegmentsLeftToRight)
{
    const QString projects = at(QStringLiteral("Documents/Projects"));
    const QString documents = at(QStringLiteral("Documents"));
    EXPECT_TRUE(searchBoth(QStringLiteral("proj doc"), {projects}, 3).isEmpty());
    EXPECT_TRUE(searchBoth(QStringLiteral("doc ments"), {documents}, 3).isEmpty());
    EXPECT_TRUE(searchBoth(QStringLiteral("d p x"), {projects}, 3).isEmpty());
    EXPECT_TRUE(searchBoth(QStringLiteral("xyz"), {projects}, 3).isEmpty());
    // Passing over a segment costs 0.4: proj skips Documents.
    const auto skipped = searchBoth(QStringLiteral("proj"), {projects}, 3);
    ASSERT_EQ(skipped.size(), 1);
    EXPECT_DOUBLE_EQ(skipped[0].score, 7.8 - 0.4 - 0.6 + 2.0);
}

TEST(FolderMatcher, ComparesCodePointsAfterFullLowerCasing)
{
    // An emoji is one code point but two UTF-16 units: the lengths are equal.
    const QString emoji = at(QStringLiteral("\U0001F600a"));
    const auto same = searchBoth(QStringLiteral("\U0001F600A"), {emoji}, 3);
    ASSERT_EQ(same.size(), 1);
    EXPECT_EQ(QString::number(same[0].score, 'g', 12), QStringLiteral("9.7"));
    // İ lower-cases to i and a combining dot: the segment grows by one.
    const QString city = at(QStringLiteral("\u0130stanbul"));
    const auto lowered = searchBoth(QStringLiteral("istanbul"), {city}, 3);
    ASSERT_EQ(lowered.size(), 1);
    EXPECT_EQ(QString::number(lowered[0].score, 'g', 12), QStringLiteral("15.15"));
    EXPECT_EQ(lowered[0].segments, QStringList{QStringLiteral("\u0130stanbul")});
}

TEST(FolderMatcher, PathsOutsideTheHomeFolderAreScoredWhole)
{
    const auto matches = searchBoth(QStringLiteral("srv data"), {QStringLiteral("/srv/data")}, 3);
    ASSERT_EQ(matches.size(), 1);
    EXPECT_EQ(matches[0].segments, (QStringList{QStringLiteral("srv"), QStringLiteral("data")}));
    EXPECT_EQ(matches[0].lastMatchedSegmentIndex, 1);
}

TEST(FolderMatcher, EqualScoresKeepListOrderAndLimitKeepsTheBest)
{
    const QStringList paths{at(QStringLiteral("b/Notes")), at(QStringLiteral("a/Notes")),
                            at(QStringLiteral("Notes")), at(QStringLiteral("c/Notes")),
                            at(QStringLiteral("x/y/Notes"))};
    const auto all = searchBoth(QStringLiteral("notes"), paths, 10);
    ASSERT_EQ(all.size(), 5);
    EXPECT_EQ(all[0].path, paths[2]); // shallowest first
    EXPECT_EQ(all[1].path, paths[0]); // then ties in list order
    EXPECT_EQ(all[2].path, paths[1]);
    EXPECT_EQ(all[3].path, paths[3]);
    EXPECT_EQ(all[4].path, paths[4]);
    const auto top = searchBoth(QStringLiteral("notes"), paths, 3);
    ASSERT_EQ(top.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(top[i].path, all[i].path);
    EXPECT_TRUE(searchBoth(QStringLiteral("notes"), paths, 0).isEmpty());
}

TEST(FolderMatcher, PreparedListAgreesWithThePlainMatcherOnManyPaths)
{
    const QStringList words{QStringLiteral("Documents"), QStringLiteral("Projects"),
                            QStringLiteral("Photos"),    QStringLiteral("Music"),
                            QStringLiteral("Über"),      QStringLiteral("src"),
                            QStringLiteral("Downloads"), QStringLiteral("data-2024"),
                            QStringLiteral("ΣΟΦΙΑ"),     QStringLiteral("notes")};
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
        searchBoth(QString::fromUtf8(query), paths, 3);
}

TEST(MoveRanking, RecentDestinationsGainABonusThatFadesWithAge)
{
    const struct {
        qsizetype position;
        const char* bonus;
    } cases[] = {{0, "4"}, {1, "3.7"}, {13, "0.1"}, {14, "0"}, {19, "0"}, {-1, "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(QString::number(foldermatcher::recencyBonus(c.position), 'g', 12).toStdString(),
                  c.bonus)
            << c.position;

    QStringList recent;
    for (int i = 0; i < 15; ++i)
        recent.append(at(QStringLiteral("r%1").arg(i)));
    const QList<FolderMatch> matches{{at(QStringLiteral("top")), 10.0, 0, {}},
                                     {recent[14], 9.0, 0, {}},
                                     {recent[0], 7.0, 0, {}}};
    const auto ranked = foldermatcher::rankForMoveInput(matches, recent);
    ASSERT_EQ(ranked.size(), 3);
    EXPECT_EQ(ranked[0].path, recent[0]); // 7 + 4 passes 10
    EXPECT_DOUBLE_EQ(ranked[0].score, 11.0);
    EXPECT_EQ(ranked[1].path, at(QStringLiteral("top")));
    EXPECT_EQ(ranked[2].path, recent[14]); // position 14: nothing added
    EXPECT_DOUBLE_EQ(ranked[2].score, 9.0);
    // Ties stay in the fuzzy order.
    const QList<FolderMatch> tied{{at(QStringLiteral("a")), 5.0, 0, {}},
                                  {at(QStringLiteral("b")), 5.0, 0, {}}};
    const auto kept = foldermatcher::rankForMoveInput(tied, {});
    EXPECT_EQ(kept[0].path, at(QStringLiteral("a")));
    EXPECT_EQ(kept[1].path, at(QStringLiteral("b")));
}

} // namespace
