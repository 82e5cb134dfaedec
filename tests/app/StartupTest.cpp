// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeTrash.h"
#include "TestSupport.h"
#include "app/AppState.h"
#include "app/DownloadsScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

std::uint64_t inodeOf(const QString& path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_ino;
}

class StartupTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_root = testenv::freshFolder("startup");
        m_downloads = m_root + "/Downloads";
        QDir().mkpath(m_downloads);
    }

    std::unique_ptr<AppState> makeAppState(const QString& downloads)
    {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = m_root + "/Vantle.store";
        options.trash = std::make_shared<FakeTrash>();
        auto store = TrackedFileActor::open(options, &error);
        EXPECT_TRUE(store) << error.toStdString();
        return std::make_unique<AppState>(AppState::Config{downloads,
                                                           m_root + "/autostart/vantle.desktop",
                                                           "/opt/My Apps/vantle", options.trash},
                                          std::move(store));
    }

    QString m_root;
    QString m_downloads;
};

} // namespace

TEST_F(StartupTest, ScanSkipsHiddenAndUnfinishedItemsAndRecordsLinksAndFoldersAsThemselves)
{
    for (const char* name :
         {"report.pdf", ".hidden.pdf", ".DS_Store", "movie.CRDOWNLOAD", "disk.Part",
          "song.download", "notes.partial", "README", "archive.", ".part"})
        testenv::writeFile(m_downloads + "/" + name, "12345");
    QDir().mkpath(m_downloads + "/album");
    testenv::writeFile(m_downloads + "/album/track.mp3", "1234567890");
    ASSERT_TRUE(QFile::link(m_downloads + "/report.pdf", m_downloads + "/shortcut"));
    // A name that is not valid UTF-8 could reach another file through a lossy
    // decoding: it is left out.
    const QByteArray badName = QFile::encodeName(m_downloads) + "/bad\xff.bin";
    QFile bad(QString::fromUtf8(badName));
    FILE* raw = std::fopen(badName.constData(), "w");
    ASSERT_TRUE(raw);
    std::fclose(raw);

    const InitialScan scan = scanDownloads(m_downloads);
    ASSERT_FALSE(scan.error);
    std::map<QString, DownloadFileSnapshot> byName;
    for (const auto& snapshot : scan.snapshots)
        byName[snapshot.fileName] = snapshot;
    QStringList names = byName.size() ? QStringList() : QStringList();
    for (const auto& [name, snapshot] : byName)
        names.append(name);
    EXPECT_EQ(names, (QStringList{"README", "album", "archive.", "notes.partial", "report.pdf",
                                  "shortcut"}));
    EXPECT_EQ(byName["album"].fileSize, 0);
    EXPECT_EQ(byName["report.pdf"].fileSize, 5);
    EXPECT_EQ(byName["report.pdf"].filePath, m_downloads + "/report.pdf");
    // The link's own inode and size, not its target's.
    EXPECT_EQ(byName["shortcut"].inode, inodeOf(m_downloads + "/shortcut"));
    EXPECT_NE(byName["shortcut"].inode, byName["report.pdf"].inode);
    EXPECT_EQ(byName["shortcut"].fileSize,
              QFileInfo(m_downloads + "/report.pdf").absoluteFilePath().toUtf8().size());
    EXPECT_EQ(logcapture::count("Skipped an item whose name is not valid UTF-8"), 1);
}

TEST_F(StartupTest, StartRecordsExistingItemsAsDismissedOnceAndRegistersTheLoginItem)
{
    testenv::writeFile(m_downloads + "/a.zip");
    QDir().mkpath(m_downloads + "/folder");
    auto app = makeAppState(m_downloads);
    EXPECT_FALSE(app->isRunning());
    await(app->start());
    EXPECT_TRUE(app->isRunning());

    const auto records = await(app->trackedFileActor().allRecords());
    ASSERT_EQ(records.size(), 2u);
    for (const auto& r : records)
        EXPECT_EQ(r.state, FileState::dismissed);
    EXPECT_TRUE(logcapture::contains("Dismissed 2 existing files in Downloads"));

    QFile entry(m_root + "/autostart/vantle.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/My Apps/vantle\"\n")) << text.toStdString();

    // A second start changes nothing.
    logcapture::clear();
    testenv::writeFile(m_downloads + "/late.txt");
    await(app->start());
    // The watcher may record the new file, but nothing is imported again.
    int dismissed = 0;
    for (const auto& r : await(app->trackedFileActor().allRecords()))
        dismissed += r.state == FileState::dismissed ? 1 : 0;
    EXPECT_EQ(dismissed, 2);
    EXPECT_EQ(logcapture::count("Dismissed"), 0);
}

TEST_F(StartupTest, EmptyOrUnreadableDownloadsStillRegistersTheLoginItem)
{
    auto empty = makeAppState(m_downloads);
    await(empty->start());
    EXPECT_EQ(logcapture::count("Dismissed"), 0);
    EXPECT_TRUE(await(empty->trackedFileActor().allRecords()).empty());
    empty.reset();

    QFile::remove(m_root + "/autostart/vantle.desktop");
    auto missing = makeAppState(m_root + "/no-such-folder");
    await(missing->start());
    EXPECT_EQ(logcapture::count("Failed to access Downloads folder: "), 1);
    EXPECT_TRUE(
        logcapture::contains("Failed to access Downloads folder: No such file or directory"));
    EXPECT_TRUE(QFile::exists(m_root + "/autostart/vantle.desktop"));
}

TEST_F(StartupTest, ALoginItemThatCannotBeWrittenIsOnlyReported)
{
    // A file where the autostart folder should be.
    testenv::writeFile(m_root + "/autostart");
    auto app = makeAppState(m_downloads);
    await(app->start());
    EXPECT_EQ(logcapture::count("Failed to register login item: "), 1);
    EXPECT_TRUE(app->isRunning());
}
