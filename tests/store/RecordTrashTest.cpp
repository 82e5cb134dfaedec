// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "store/TrashJournal.h"

#include <QProcess>
#include <QSet>
#include <latch>
#include <span>
#include <thread>

using RecordTrashTest = StoreFixture;

// Nothing outside Downloads, and never another item than the record's.
TEST_F(RecordTrashTest, OnlyTheRecordedItemDirectlyInsideDownloadsIsEverTrashed)
{
    const QString home = testenv::home();
    testenv::writeFile(home + "/taxes.pdf");
    const QString d = m_downloads;
    for (const QString& path :
         {home + "/taxes.pdf", d + "/../taxes.pdf", QString("taxes.pdf"), d, d + "/", d + "/.",
          d + "/..", d + "//taxes.pdf", d + "/sub/x", QString()})
        EXPECT_EQ(m_store->recordTrash().trash(path, inodeOf(path)).outcome,
                  RecordTrash::Outcome::refused)
            << path.toStdString();
    // deleteNow and every other road go through the same check, and drop the record.
    const RecordId id = insert(home + "/taxes.pdf", inodeOf(home + "/taxes.pdf"));
    EXPECT_EQ(await(m_store->deleteNow(id)).outcome, RecordTrash::Outcome::refused);
    EXPECT_FALSE(record(id));
    EXPECT_TRUE(QFile::exists(home + "/taxes.pdf"));
    const auto [path, inode] = makeFile("report.pdf", "old");
    const RecordId replaced = insert(path, inode);
    // Replaced before the check: nothing is moved, the record goes.
    const QString staged = m_folder + "/staged";
    moveOver(testenv::writeFile(staged, "new"), path);
    EXPECT_EQ(await(m_store->deleteNow(replaced)).outcome, RecordTrash::Outcome::absent);
    EXPECT_TRUE(m_trash->requests().isEmpty());
    EXPECT_EQ(testenv::contentOf(path), "new");
    EXPECT_FALSE(record(replaced));
    // Replaced between the check and the move (an editor's atomic save): the
    // newcomer is put back, and not noted as ours to offer back.
    const RecordId raced = insert(path, inodeOf(path));
    m_trash->beforeMove([&](const QString& target) {
        moveOver(testenv::writeFile(staged, "saved meanwhile"), target);
    });
    const auto result = await(m_store->deleteNow(raced));
    EXPECT_EQ(std::tuple(result.outcome, result.location),
              std::tuple(RecordTrash::Outcome::absent, QString()));
    EXPECT_EQ(testenv::contentOf(path), "saved meanwhile");
    EXPECT_TRUE(TrashJournal(TrashJournal::besideStore(storePath())).entries().empty());
}

// The real freedesktop Trash, checked with trash-cli's own restore. What
// went there is noted with where it went, to be offered back.
TEST_F(RecordTrashTest, TheFileLandsInTheUsersTrashAndCanBeRestored)
{
    static int round = 0;
    openStore(makeSystemTrash());
    const QString name = QStringLiteral("invoice %1.pdf").arg(++round);
    const auto [path, inode] = makeFile(name, "%PDF-1.7 content");
    const RecordId id = insert(path, inode);
    const auto result = await(m_store->deleteNow(id));
    EXPECT_EQ(result.outcome, RecordTrash::Outcome::trashed);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(record(id));
    const auto noted = TrashJournal(TrashJournal::besideStore(storePath())).entries();
    ASSERT_EQ(noted.size(), 1u);
    EXPECT_EQ(std::tuple(noted[0].location, noted[0].originalPath, noted[0].inode),
              std::tuple(result.location, path, inode));
    QProcess restore;
    restore.start("trash-restore", {m_downloads});
    ASSERT_TRUE(restore.waitForStarted());
    restore.write("0\n");
    restore.closeWriteChannel();
    ASSERT_TRUE(restore.waitForFinished(20000));
    EXPECT_EQ(testenv::contentOf(path), "%PDF-1.7 content");
}

// Items of one stem trashed at once ("proj", "proj.zip", …), each name again
// in every round, are each found where they went by their inode, and every
// one is noted to be put back. A Trash that cannot say is said to be so.
TEST_F(RecordTrashTest, ItemsTrashedAtOnceAreEachNotedWhereTheyWent)
{
    openStore(makeSystemTrash());
    const QString names[] = {"proj", "proj.zip", "proj.tar.gz", "proj.2.zip", ".proj"};
    std::vector<std::tuple<QString, std::uint64_t, RecordTrash::Result>> trashed;
    for (int round = 0; round < 6; ++round) {
        for (const QString& name : names)
            trashed.push_back(std::tuple_cat(makeFile(name), std::tuple(RecordTrash::Result{})));
        std::latch start(std::ssize(names));
        std::vector<std::jthread> threads; // joined as each round ends
        for (auto& item : std::span(trashed).last(std::size(names)))
            threads.emplace_back([&] {
                start.arrive_and_wait();
                auto& [path, inode, result] = item;
                result = m_store->recordTrash().trash(path, inode);
            });
    }
    QSet<QString> places;
    for (const auto& [path, inode, result] : trashed) {
        EXPECT_EQ(std::tuple(result.outcome, inodeOf(result.location), result.detail),
                  std::tuple(RecordTrash::Outcome::trashed, inode, QString()))
            << path.toStdString();
        places.insert(result.location);
    }
    EXPECT_EQ(places.size(), std::ssize(trashed));
    const auto noted = TrashJournal(TrashJournal::besideStore(storePath())).entries();
    ASSERT_EQ(noted.size(), trashed.size());
    for (const TrashJournal::Entry& entry : noted)
        EXPECT_EQ(inodeOf(entry.location), entry.inode) << entry.location.toStdString();
    openStore(std::make_shared<FakeTrash>()); // moves nothing, says nothing
    const auto [path, inode] = makeFile("notes.txt");
    const RecordTrash::Result unknown = m_store->recordTrash().trash(path, inode);
    EXPECT_EQ(std::tuple(unknown.outcome, unknown.location),
              std::tuple(RecordTrash::Outcome::trashed, QString()));
    EXPECT_TRUE(unknown.detail.contains("cannot put it back")) << unknown.detail.toStdString();
}
