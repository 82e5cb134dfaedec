// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "app/AppState.h"
#include "store/Tags.h"

#include <QDir>

namespace {

// The program's start-up on a real store, a real Downloads folder and the
// real Trash; announcements are the reconciler's calls to the toast.
class StartupTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_now = QDateTime(); // the wall clock
        // The toast shows itself on the offscreen platform, which cannot raise windows.
        allowWarning("This plugin does not support");
    }
    void TearDown() override
    {
        if (m_app)
            m_app->shutdown();
        m_app.reset();
        StoreFixture::TearDown();
    }

    // Hands the store, opened on the real Trash, to a new AppState and starts it.
    void start()
    {
        openStore(makeSystemTrash());
        m_app = std::make_unique<AppState>(AppState::Config{m_downloads,
                                                            m_folder + "/autostart/vantle.desktop",
                                                            "/opt/My Apps/vantle"},
                                           std::move(m_store));
        await(m_app->start(), std::chrono::seconds(20));
    }

    std::unique_ptr<AppState> m_app;
};

} // namespace

// Records outlive a kill -9 when their removal was still deferred, and items
// change while the program is off: the first listing mends both, so that no
// stale temporary record hands its mark to a new file at its name. Once up,
// the login item is written.
TEST_F(StartupTest, ItemsFoundAreKeptSilentlyAndRecordsOfItemsGoneWhileOffPassNothingOn)
{
    const RecordId stale = track("report.pdf");
    await(m_store->markTemporary(stale, 3600));
    const RecordId renamed = track("old name.txt");
    const RecordId unanswered = track("toast never answered.iso");
    QFile::remove(at("report.pdf"));
    ASSERT_TRUE(QFile::rename(at("old name.txt"), at("new name.txt")));
    // A second record at one path, as a lost removal leaves behind.
    insert(at("new name.txt"), 987654321);
    QDir().mkpath(at("found"));
    testenv::writeFile(at("found/inside.txt"));
    start();
    EXPECT_EQ(logcapture::count("New file announced: "), 0); // what was there is kept silently
    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(recordAt(at("new name.txt"))->id, renamed);
    const auto kept = recordAt(at("toast never answered.iso"));
    EXPECT_EQ(std::tuple(kept->id, kept->state), std::tuple(unanswered, FileState::dismissed));
    EXPECT_EQ(recordAt(at("found"))->state, FileState::dismissed); // not what is inside
    // A new file saved in place at the stale record's name is news, not temporary.
    testenv::writeFile(at("report.pdf"), "new");
    ASSERT_TRUE(waitUntil([&] { return logcapture::count("New file announced: ") == 1; }));
    EXPECT_EQ(recordAt(at("report.pdf"))->state, FileState::unprocessed);
    EXPECT_TRUE(tags::readTags(at("report.pdf")).isEmpty());
    const QByteArray entry = testenv::contentOf(m_folder + "/autostart/vantle.desktop");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/My Apps/vantle\"\n")) << entry.toStdString();
}

// The start goes on without its login item.
TEST_F(StartupTest, ALoginItemThatCannotBeWrittenIsOnlyReported)
{
    testenv::writeFile(m_folder + "/autostart"); // a file where the folder should be
    start();
    EXPECT_EQ(logcapture::count("Failed to register login item: "), 1);
    EXPECT_TRUE(m_app->isRunning());
}
