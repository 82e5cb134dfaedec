// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "store/Tags.h"

#include <QDir>
#include <QProcess>

using DeleteNowTest = StoreFixture;

TEST_F(DeleteNowTest, AVanishedFileOnlyLosesItsRecord)
{
    const RecordId id = insert(m_downloads + "/never-there.pdf", 7);
    await(m_store->deleteNow(id));
    EXPECT_TRUE(await(m_store->allRecords()).empty());
    EXPECT_TRUE(m_trash->requests().isEmpty());
    EXPECT_EQ(logcapture::count("deleteNow:"), 0);
    await(m_store->deleteNow(id)); // a second call finds nothing and does nothing
    EXPECT_TRUE(m_trash->requests().isEmpty());
}

TEST_F(DeleteNowTest, ARefusedTrashLeavesTheFileAndReportsIt)
{
    m_trash->failWith("Unable to find or create trash directory");
    const auto [path, inode] = makeFile("keep me.txt");
    const RecordId id = insert(path, inode);
    await(m_store->markTemporary(id));
    await(m_store->deleteNow(id));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(tags::readTags(path).isEmpty());
    EXPECT_TRUE(await(m_store->allRecords()).empty()); // the record is not restored
    EXPECT_TRUE(logcapture::contains(
        "deleteNow: recycle failed for keep me.txt: Unable to find or create trash directory"));
}

// The real freedesktop Trash, checked with trash-cli's own tools.
TEST_F(DeleteNowTest, TheFileLandsInTheUsersTrashAndCanBeRestored)
{
    openStore(makeSystemTrash());
    const auto [path, inode] = makeFile("invoice 2026.pdf", "%PDF-1.7 content");
    const RecordId id = insert(path, inode);
    await(m_store->deleteNow(id));
    EXPECT_FALSE(QFile::exists(path));

    QProcess list;
    list.start("trash-list", {});
    ASSERT_TRUE(list.waitForFinished(20000));
    const QString listed = QString::fromUtf8(list.readAllStandardOutput());
    EXPECT_TRUE(listed.contains(path)) << listed.toStdString();
    const QString trashFiles =
        qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/invoice 2026.pdf";
    EXPECT_TRUE(QFile::exists(trashFiles)) << trashFiles.toStdString();

    QProcess restore;
    restore.setWorkingDirectory(m_downloads);
    restore.start("trash-restore", {m_downloads});
    ASSERT_TRUE(restore.waitForStarted());
    restore.write("0\n");
    restore.closeWriteChannel();
    ASSERT_TRUE(restore.waitForFinished(20000));
    EXPECT_TRUE(QFile::exists(path)) << restore.readAllStandardOutput().toStdString();
    QFile restored(path);
    ASSERT_TRUE(restored.open(QIODevice::ReadOnly));
    EXPECT_EQ(restored.readAll(), "%PDF-1.7 content");
}
