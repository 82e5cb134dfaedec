// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/MoveInputViewModel.h"
#include "TestSupport.h"

namespace {

FolderMatch match(const QString& path, int lastSegment)
{
    return {QStringLiteral("/home/me/") + path, 0, lastSegment, path.split(QLatin1Char('/'))};
}

} // namespace

TEST(MoveInputViewModelTest, CreateOffersTheLastWordBesideWhereItMatchedAndHighlightsStayInRows)
{
    // The query, its results and the row highlighted, and the folder offered.
    const std::tuple<const char*, QList<FolderMatch>, int, std::optional<QString>> cases[] = {
        {"  ", {}, 0, std::nullopt},
        {"new", {}, 0, "/home/me/new"},
        {"doc new", {match("Documents/Newsletters", 1)}, 0, "/home/me/Documents/new"},
        {"doc new", {}, 0, "/home/me/doc/new"},
        {"Doc New", {}, 0, "/home/me/Doc/New"},
        // A highlight outside the results: as if nothing matched.
        {"doc new", {match("Documents/Newsletters", 1)}, 3, "/home/me/doc/new"},
        {"x", {match("A/B", 9)}, 0, "/home/me/A/B/x"}};
    for (const auto& [query, results, selected, folder] : cases) {
        MoveInputViewModel model(QStringLiteral("/home/me/"));
        model.setQuery(QString::fromUtf8(query));
        model.setResults(results);
        model.setSelectedIndex(selected);
        EXPECT_EQ(model.newFolderURL(), folder) << query << " " << selected;
    }
    // The highlight stays inside the rows shown.
    MoveInputViewModel model(QStringLiteral("/home/me"));
    model.setMruSuggestions({"/home/me/A", "/home/me/B", "/srv/C"});
    model.moveSelection(-1);
    EXPECT_EQ(model.selectedIndex(), 0);
    model.moveSelection(5);
    EXPECT_EQ(model.selectedURL(), QStringLiteral("/srv/C"));
    // Three results with the last highlighted, then an edit that leaves one.
    model.setQuery(QStringLiteral("a"));
    model.setResults({match("A", 0), match("AB", 0), match("ABC", 0)});
    model.setSelectedIndex(2);
    model.setResults({match("A", 0)});
    model.clampSelection();
    EXPECT_EQ(model.selectedIndex(), 0);
    EXPECT_EQ(model.selectedURL(), QStringLiteral("/home/me/A"));
    model.setResults({});
    model.clampSelection();
    EXPECT_FALSE(model.selectedURL()) << "nothing to move to";
    EXPECT_EQ(model.breadcrumbSegments(QStringLiteral("/home/me/Documents/Tax")),
              (QStringList{"Documents", "Tax"}));
    EXPECT_EQ(model.breadcrumbSegments(QStringLiteral("/home/meta/x")),
              (QStringList{"home", "meta", "x"}));
    EXPECT_EQ(model.displayPath(QStringLiteral("/home/me/doc/new")), QStringLiteral("~/doc/new"));
    EXPECT_EQ(model.displayPath(QStringLiteral("/srv/x")), QStringLiteral("/srv/x"));
}
