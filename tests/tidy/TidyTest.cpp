// SPDX-License-Identifier: GPL-3.0-or-later
#include "TidyFixture.h"
#include "tidy/Tidier.h"

#include <QDir>
#include <QUrl>

namespace {

class TidyTest : public TidyRuleFixture {
protected:
    // Notes `path` as opened `days` ago in the recently-used list; gives it back.
    QString opened(const QString& path, int days)
    {
        const QString at = m_now.addDays(40 - days).toString(Qt::ISODate);
        m_bookmarks += QStringLiteral("<bookmark href=\"%1\" added=\"%2\" modified=\"%2\" "
                                      "visited=\"%2\"/>\n")
                           .arg(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), at);
        testenv::writeFile(m_xbel, "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n" +
                                       m_bookmarks.toUtf8() + "</xbel>\n");
        return path;
    }
    QStringList taken(const TidyRule& rule)
    {
        const TidyPreview preview = await(m_tidier->preview(rule));
        EXPECT_TRUE(preview.error.isEmpty()) << preview.error.toStdString();
        return textsOf(preview.items, [](const TidyItem& item) { return item.path; });
    }

    QString m_bookmarks;
};

} // namespace

TEST_F(TidyTest, TheRuleTakesOnlyOldKeptItemsOfItsKindsNotInUse)
{
    const TidyRule rule{.olderThanDays = 30};
    const TidyRule folders{.olderThanDays = 30, .includeFolders = true};
    const TidyRule images{.olderThanDays = 30, .kinds = {"images"}};
    const TidyRule archives{.olderThanDays = 30, .kinds = {"archives"}};
    const QByteArray zip("PK\x03\x04", 4); // how an office document begins too
    const auto folder = [&](const QString& name) {
        QDir().mkpath(at(name));
        testenv::writeFile(at(name) + "/inside.txt");
        return at(name);
    };
    const auto keptForever = [&](const QString& name) {
        const QString path = kept(name, 60);
        EXPECT_EQ(await(m_store->setPinned(recordAt(path)->id, true)), QString());
        return path;
    };
    const auto tracked = [&](const QString& name, bool marked = false) {
        const RecordId id = track(name);
        if (marked)
            await(m_store->markTemporary(id));
        return at(name);
    };
    // What the item is, its path, the rule, and whether the rule takes it.
    const std::tuple<const char*, QString, TidyRule, bool> rows[] = {
        {"kept long ago", kept("old.txt", 31), rule, true},
        {"kept lately", kept("young.txt", 29), rule, false},
        {"no record, changed long ago", makeFile("unrecorded.txt").first, rule, true},
        {"waiting in a toast", tracked("toast.txt"), rule, false},
        {"temporary", tracked("temp.txt", true), rule, false},
        {"kept forever", keptForever("forever.txt"), rule, false},
        {"opened lately", opened(kept("opened.txt", 60), 3), rule, false},
        {"opened long ago", opened(kept("stale.txt", 60), 45), rule, true},
        {"a hidden name", makeFile(".hidden").first, rule, false},
        {"a folder", folder("Folder"), rule, false},
        {"a folder, included", folder("Included"), folders, true},
        {"a folder with a file opened lately", opened(folder("Busy") + "/inside.txt", 1), folders,
         false},
        {"the archive itself", folder("Archive"), folders, false},
        {"an image, images only", makeFile("photo.png").first, images, true},
        {"text, images only", makeFile("notes.txt").first, images, false},
        {"an office document is no archive", makeFile("report.docx", zip).first, archives, false},
        {"a zip is an archive", makeFile("bundle.zip", zip).first, archives, true}};
    for (const auto& [what, path, byRule, expected] : rows)
        EXPECT_EQ(taken(byRule).contains(path), expected) << what;
    // Nothing below the top of Downloads, whatever the rule.
    for (const QString& path : taken(folders))
        EXPECT_EQ(QFileInfo(path).absolutePath(), m_downloads) << path.toStdString();
}

// Either way back, undo brings a run back as kept, beside what took a name
// meanwhile and past an item gone from where it went, which stays to be tried
// again. The archive's run notes a name it must quote.
TEST_F(TidyTest, UndoBringsARunBackBesideWhatTookItsNamesAndPastAVanishedItem)
{
    for (const auto destination : {TidyRule::Destination::archive, TidyRule::Destination::trash}) {
        const QString p = destination == TidyRule::Destination::trash ? "trash " : "archive ";
        SCOPED_TRACE(p.toStdString());
        const TidyRule rule{
            .olderThanDays = 30, .destination = destination, .archiveFolder = m_folder + "/A"};
        const QString first = kept(p + "first.txt", 33);
        const QString vanishing = kept(p + "vanishing.txt", 32);
        const QString last = kept(p + R"(say "hi" \ there.txt)", 31);
        testenv::writeFile(first, "first");
        const TidyReport run = await(m_tidier->apply(rule));
        ASSERT_EQ(run.movedCount(), 3);
        ASSERT_EQ(run.outcomes[1].path, vanishing) << "oldest first";
        ASSERT_TRUE(QFile::remove(run.outcomes[1].target)) << "emptied from where it went";
        EXPECT_FALSE(recordAt(first)) << "its record left with it";
        testenv::writeFile(first, "newcomer");

        const TidyReport undone = await(m_tidier->undo());
        ASSERT_EQ(undone.outcomes.size(), 3u);
        EXPECT_EQ(undone.outcomes[0].target, at(p + "first (2).txt"));
        EXPECT_FALSE(undone.outcomes[1].moved());
        EXPECT_EQ(undone.outcomes[2].target, last);
        EXPECT_EQ(testenv::contentOf(first), "newcomer");
        EXPECT_EQ(testenv::contentOf(at(p + "first (2).txt")), "first");
        EXPECT_FALSE(QFileInfo::exists(vanishing));
        for (const QString& back : {at(p + "first (2).txt"), last})
            EXPECT_EQ(recordAt(back).value_or(TrackedFile{}).state, FileState::dismissed)
                << "back as kept, never announced: " << back.toStdString();
        const TidyReport again = await(m_tidier->undo());
        ASSERT_EQ(again.outcomes.size(), 1u) << "what stayed is kept for another try";
        EXPECT_EQ(again.outcomes[0].path, run.outcomes[1].target);
        m_now = m_now.addDays(-40); // what came back is new to the next run
    }
}
