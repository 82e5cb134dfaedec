// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/RecentlyTrashed.h"
#include "StoreFixture.h"

#include <QSignalSpy>

namespace {

// A real store and the real Trash in the test's home.
class RecentlyTrashedTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        openStore(makeSystemTrash());
        m_recent = std::make_unique<RecentlyTrashed>(*m_store);
    }
    void TearDown() override
    {
        m_recent->shutdown();
        stopStore();
        m_recent.reset();
        StoreFixture::TearDown();
    }

    // A file in Downloads trashed the way expiry does it.
    RecordTrash::Result trashedByVantle(const QString& name, const QByteArray& bytes = "data")
    {
        const auto [path, inode] = makeFile(name, bytes);
        const RecordTrash::Result result = m_store->recordTrash().trash(path, inode);
        EXPECT_EQ(result.outcome, RecordTrash::Outcome::trashed) << name.toStdString();
        return result;
    }
    QStringList listed()
    {
        return textsOf(await(m_recent->recentlyTrashed()),
                       [](const TrashJournal::Entry& file) { return file.originalPath; });
    }
    std::optional<QString> restore(const QString& nameOrLocation)
    {
        const RestoreOutcome outcome = await(m_recent->restore(nameOrLocation));
        EXPECT_NE(outcome.restored(), !outcome.error.isEmpty())
            << "a reason exactly when it failed";
        return outcome.restored() ? std::optional(outcome.path) : std::nullopt;
    }
    // ROOT/files/NAME is described by ROOT/info/NAME.trashinfo.
    static QString infoOf(const QString& at)
    {
        return at.section('/', 0, -3) + "/info/" + at.section('/', -1) + ".trashinfo";
    }

    std::unique_ptr<RecentlyTrashed> m_recent;
};

} // namespace

TEST_F(RecentlyTrashedTest, ATrashedFileIsListedLiveAndComesBackKept)
{
    m_recent->setFollowing(true);
    QSignalSpy changed(m_recent.get(), &RecentlyTrashed::filesChanged);
    const auto [path, inode] = makeFile("report.pdf", "%PDF");
    const RecordId id = insert(path, inode);
    const RecordTrash::Result trashed = await(m_store->deleteNow(id));
    ASSERT_TRUE(waitUntil([&] { return m_recent->files().size() == 1; }));
    EXPECT_EQ(std::tuple(m_recent->files()[0].location, m_recent->files()[0].originalPath),
              std::tuple(trashed.location, path));
    EXPECT_EQ(restore("report.pdf"), path); // by its name
    EXPECT_EQ(testenv::contentOf(path), "%PDF");
    EXPECT_FALSE(QFile::exists(infoOf(trashed.location)));
    const auto kept = recordAt(path, inode).value_or(TrackedFile{});
    EXPECT_EQ(std::tuple(kept.filePath, kept.state), std::tuple(path, FileState::dismissed))
        << "kept, so no toast announces it";
    EXPECT_TRUE(waitUntil([&] { return m_recent->files().empty(); }));
    EXPECT_GE(changed.count(), 2);
    EXPECT_FALSE(restore(trashed.location)) << "it is no longer in the Trash";
}

TEST_F(RecentlyTrashedTest, OnlyWhatVantleTrashedFromDownloadsAndTheTrashStillHoldsIsOffered)
{
    const auto trash = makeSystemTrash();
    const RecordTrash::Result kept = trashedByVantle("kept.txt");
    const RecordTrash::Result emptied = trashedByVantle("emptied.txt");
    // Emptied with the file manager: the item and its description go.
    QFile::remove(emptied.location);
    QFile::remove(infoOf(emptied.location));
    // Trashed by someone else.
    const Trash::Moved other = trash->moveToTrash(testenv::writeFile(at("other.txt")));
    ASSERT_FALSE(other.error);
    // Restored by someone else, then another file of that name trashed by
    // someone else: the same place in the Trash, another item.
    const RecordTrash::Result reused = trashedByVantle("reused.txt", "mine");
    moveOver(reused.location, at("reused.txt"));
    QFile::remove(infoOf(reused.location));
    const QString second =
        testenv::writeFile(testenv::freshFolder("elsewhere") + "/reused.txt", "theirs");
    ASSERT_EQ(trash->moveToTrash(second).location, reused.location);
    // Noted, but from outside Downloads (the folder Vantle watched moved).
    const QString outside = testenv::writeFile(testenv::home() + "/outside.txt");
    const Trash::Moved outsideMoved = trash->moveToTrash(outside);
    TrashJournal(TrashJournal::besideStore(storePath()))
        .append(outsideMoved.location, outside, inodeOf(outsideMoved.location));
    EXPECT_EQ(listed(), QStringList{at("kept.txt")});
    for (const QString& wanted :
         {emptied.location, QStringLiteral("emptied.txt"), QStringLiteral("other.txt"),
          reused.location, QStringLiteral("reused.txt"), outsideMoved.location, outside})
        EXPECT_FALSE(restore(wanted)) << wanted.toStdString();
    for (const QString& location :
         {kept.location, other.location, reused.location, outsideMoved.location})
        EXPECT_TRUE(trash->holds(location)) << "what is not Vantle's stays in the Trash";
    EXPECT_EQ(restore(at("kept.txt")), at("kept.txt"));
}

// The record made before the rename goes again when the rename fails.
TEST_F(RecentlyTrashedTest, ARestoreThatFailsLeavesTheFileInTheTrashAndNoRecord)
{
    openStore(); // the fake Trash, told to refuse
    m_recent = std::make_unique<RecentlyTrashed>(*m_store);
    m_trash->failPutBackWith("Permission denied");
    const RecordTrash::Result trashed = trashedByVantle("a.txt");
    const std::uint64_t inode = inodeOf(trashed.location);
    EXPECT_FALSE(restore("a.txt"));
    EXPECT_FALSE(recordAt({}, inode));
    EXPECT_TRUE(QFile::exists(trashed.location) && !QFile::exists(at("a.txt")));
    EXPECT_EQ(listed(), QStringList{at("a.txt")});
}

// Neither a folder where no name can be looked up nor a store that has
// stopped keeps a restore (and the quit behind it) waiting.
TEST_F(RecentlyTrashedTest, ARestoreThatCannotFinishEndsWithTheReasonItsRowShows)
{
    m_recent->setFollowing(true);
    const RecordTrash::Result first = trashedByVantle("a.txt");
    const RecordTrash::Result second = trashedByVantle("b.txt");
    const QString downloads = m_downloads + ".moved";
    ASSERT_TRUE(QDir().rename(m_downloads, downloads));
    testenv::writeFile(m_downloads); // a file where the folder was
    RestoreOutcome outcome = await(m_recent->restore(first.location));
    EXPECT_TRUE(!outcome.restored() && outcome.error.contains("Not a directory"))
        << outcome.error.toStdString();
    EXPECT_TRUE(waitUntil(
        [&] { return m_recent->restoreFailures().value(first.location) == outcome.error; }));
    QFile::remove(m_downloads);
    ASSERT_TRUE(QDir().rename(downloads, m_downloads));
    m_store->shutdown();
    outcome = await(m_recent->restore(second.location));
    EXPECT_TRUE(!outcome.restored() && !outcome.error.isEmpty());
    EXPECT_TRUE(QFile::exists(second.location));
}
