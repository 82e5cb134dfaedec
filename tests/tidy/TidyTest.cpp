// SPDX-License-Identifier: GPL-3.0-or-later
#include "TidyFixture.h"
#include "tidy/Tidier.h"

#include <QDir>
#include <QUrl>

namespace {

class TidyTest : public TidyRuleFixture {
protected:
    void openedDaysAgo(const QString& path, int days)
    {
        const QString at = m_now.addDays(40 - days).toString(Qt::ISODate);
        m_bookmarks += QStringLiteral("<bookmark href=\"%1\" added=\"%2\" modified=\"%2\" "
                                      "visited=\"%2\"/>\n")
                           .arg(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded), at);
        testenv::writeFile(m_xbel, "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n" +
                                       m_bookmarks.toUtf8() + "</xbel>\n");
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
    const auto ofKind = [](const char* kind) {
        return TidyRule{.olderThanDays = 30, .kinds = {kind}};
    };
    const auto folder = [&](const QString& name) {
        QDir().mkpath(at(name));
        testenv::writeFile(at(name) + "/inside.txt");
        return at(name);
    };
    const auto temporary = [&](const QString& name) {
        await(m_store->markTemporary(track(name)));
        return at(name);
    };
    const auto keptForever = [&](const QString& name) {
        const QString path = kept(name, 60);
        EXPECT_EQ(await(m_store->setPinned(recordAt(path)->id, true)), QString());
        return path;
    };
    const auto unprocessed = [&](const QString& name) {
        track(name);
        return at(name);
    };
    const auto opened = [&](const QString& path, int days) {
        openedDaysAgo(path, days);
        return path;
    };
    struct Row {
        const char* what;
        QString path;
        TidyRule rule;
        bool taken;
    };
    const Row rows[] = {
        {"kept long ago", kept("old.txt", 31), rule, true},
        {"kept lately", kept("young.txt", 29), rule, false},
        {"no record, changed long ago", makeFile("unrecorded.txt").first, rule, true},
        {"waiting in a toast", unprocessed("toast.txt"), rule, false},
        {"temporary", temporary("temp.txt"), rule, false},
        {"kept forever", keptForever("forever.txt"), rule, false},
        {"opened lately", opened(kept("opened.txt", 60), 3), rule, false},
        {"opened long ago", opened(kept("stale.txt", 60), 45), rule, true},
        {"a hidden name", makeFile(".hidden").first, rule, false},
        {"a folder", folder("Folder"), rule, false},
        {"a folder, included", folder("Included"), folders, true},
        {"a folder with a file opened lately", opened(folder("Busy") + "/inside.txt", 1), folders,
         false},
        {"the archive itself", folder("Archive"), folders, false},
        {"an image, images only", makeFile("photo.png").first, ofKind("images"), true},
        {"text, images only", makeFile("notes.txt").first, ofKind("images"), false},
        {"an office document is no archive",
         makeFile("report.docx", QByteArray("PK\x03\x04", 4)).first, ofKind("archives"), false},
        {"a zip is an archive", makeFile("bundle.zip", QByteArray("PK\x03\x04", 4)).first,
         ofKind("archives"), true}};
    for (const Row& row : rows)
        EXPECT_EQ(taken(row.rule).contains(row.path), row.taken) << row.what;
    // Nothing below the top of Downloads, whatever the rule.
    for (const QString& path : taken(folders))
        EXPECT_EQ(QFileInfo(path).absolutePath(), m_downloads) << path.toStdString();
}

// The Trash's batch: the next test.
TEST_F(TidyTest, UndoBringsTheArchivedRunBackBesideWhatTookItsNames)
{
    const TidyRule rule{.olderThanDays = 30,
                        .destination = TidyRule::Destination::archive,
                        .archiveFolder = m_folder + "/Archive"};
    const QString first = kept("first.txt", 31);
    testenv::writeFile(first, "first");
    // A name the undo file must quote.
    const QString second = kept(R"(say "hi" \ there.txt)", 31);
    const QString young = kept("young.txt", 1);
    const TidyReport run = await(m_tidier->apply(rule));
    EXPECT_EQ(run.movedCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_TRUE(QFileInfo::exists(young)) << "outside the rule";
    EXPECT_FALSE(recordAt(first)) << "its record left with it";
    EXPECT_EQ(testenv::contentOf(m_folder + "/Archive/first.txt"), "first");

    testenv::writeFile(first, "newcomer");
    const TidyReport undone = await(m_tidier->undo());
    EXPECT_EQ(undone.movedCount(), 2) << undone.error.toStdString();
    EXPECT_EQ(testenv::contentOf(first), "newcomer");
    EXPECT_EQ(testenv::contentOf(at("first (2).txt")), "first");
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(recordAt(at("first (2).txt")).value_or(TrackedFile{}).state, FileState::dismissed)
        << "back as kept, never announced";
    EXPECT_FALSE(await(m_tidier->undo()).error.isEmpty()) << "one undo per run";
}

TEST_F(TidyTest, UndoOfTheTrashBatchGetsPastATakenNameAndAVanishedItem)
{
    const TidyRule rule{.olderThanDays = 30};
    const QString first = kept("first.txt", 33);
    const QString vanishing = kept("vanishing.txt", 32);
    const QString last = kept("last.txt", 31);
    testenv::writeFile(first, "first");
    const TidyReport run = await(m_tidier->apply(rule));
    ASSERT_EQ(run.movedCount(), 3);
    ASSERT_EQ(run.outcomes[1].path, vanishing) << "oldest first";
    ASSERT_TRUE(QFile::remove(run.outcomes[1].target)) << "emptied from the Trash";
    EXPECT_FALSE(recordAt(first)) << "its record left with it";
    testenv::writeFile(first, "newcomer");

    const TidyReport undone = await(m_tidier->undo());
    ASSERT_EQ(undone.outcomes.size(), 3u);
    EXPECT_EQ(undone.outcomes[0].target, at("first (2).txt"));
    EXPECT_FALSE(undone.outcomes[1].moved());
    EXPECT_EQ(undone.outcomes[2].target, last);
    EXPECT_EQ(testenv::contentOf(first), "newcomer");
    EXPECT_EQ(testenv::contentOf(at("first (2).txt")), "first");
    EXPECT_TRUE(QFileInfo::exists(last));
    EXPECT_FALSE(QFileInfo::exists(vanishing));
    for (const QString& back : {at("first (2).txt"), last})
        EXPECT_EQ(recordAt(back).value_or(TrackedFile{}).state, FileState::dismissed)
            << back.toStdString();
    const TidyReport again = await(m_tidier->undo());
    ASSERT_EQ(again.outcomes.size(), 1u) << "what stayed is kept for another try";
    EXPECT_EQ(again.outcomes[0].path, run.outcomes[1].target);
}
