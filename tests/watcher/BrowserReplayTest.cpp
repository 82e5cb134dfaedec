// SPDX-License-Identifier: GPL-3.0-or-later
#include "WatcherFixture.h"

// What Firefox and Chromium do in Downloads, replayed step by step on a real
// folder under the real watcher: each finished download is announced once,
// with its final size, and nothing a browser only passes through is.
namespace {

class BrowserReplayTest : public WatcherFixture {
protected:
    void SetUp() override
    {
        WatcherFixture::SetUp();
        // Long enough that a probe the test deletes right after the watcher
        // saw it is certainly gone before the wait ends.
        m_emptyFileWait = std::chrono::seconds(1);
        startWatching();
    }

    // Firefox's uniqueness probe: a random name made and deleted at once.
    void probe(const QString& name)
    {
        testenv::writeFile(at(name), {});
        ASSERT_TRUE(QFile::remove(at(name)));
    }

    // A browser's placeholder at the final name: recorded, not announced.
    RecordId placeholder(const QString& name)
    {
        EXPECT_TRUE(waitForRecord(testenv::writeFile(at(name), {})));
        return recordAt(at(name)).value_or(TrackedFile{}).id;
    }
};

// A short download, then one cancelled: its placeholder and part go again.
TEST_F(BrowserReplayTest, FirefoxShortDownloadIsAnnouncedOnceAndACancelledOneNever)
{
    probe("XQ7iW0y9.bin");
    const QString part = testenv::writeFile(at("XQ7iW0y9.bin.part"), QByteArray(100000, 's'));
    const RecordId empty = placeholder("small.bin");
    moveOver(part, at("small.bin"));
    probe("Zk3mQp0a.bin");
    const QString cancelled = testenv::writeFile(at("Zk3mQp0a.bin.part"), QByteArray(4096, 'c'));
    const RecordId gone = placeholder("cancel.bin");
    ASSERT_TRUE(QFile::remove(cancelled));
    ASSERT_TRUE(QFile::remove(at("cancel.bin")));
    expectAnnounced({"small.bin"});
    EXPECT_EQ(timesAnnounced(empty) + timesAnnounced(gone), 0) << "a placeholder is no news";
}

// The first download of a session: no partial download beside the probe, and
// its deletion reaches the watcher in a read of its own.
TEST_F(BrowserReplayTest, AProbeSeenBeforeItGoesIsNeverAnnouncedButAnEmptyFileThatStaysIs)
{
    const QString seen = testenv::writeFile(at("jX-DPTh_.bin"), {});
    ASSERT_TRUE(waitForRecord(seen));
    const RecordId probe = recordAt(seen)->id;
    ASSERT_TRUE(QFile::remove(seen));
    const QString part = testenv::writeFile(at("jX-DPTh_.bin.part"), QByteArray(100000, 's'));
    placeholder("small.bin");
    moveOver(part, at("small.bin"));
    // Made empty, then named, as a file manager's "New Document" does.
    const QString untitled = testenv::writeFile(at("Untitled Document"), {});
    ASSERT_TRUE(waitForRecord(untitled));
    const QString stays = at("empty-notes.txt");
    moveOver(untitled, stays);
    ASSERT_TRUE(waitUntil([&] {
        const auto record = recordAt(stays);
        return record && timesAnnounced(record->id) == 1;
    }));
    expectAnnounced({"small.bin", "empty-notes.txt"});
    EXPECT_EQ(timesAnnounced(probe), 0);
}

TEST_F(BrowserReplayTest, FirefoxLongDownloadIsAnnouncedOnceWhenItFinishes)
{
    probe("gVvla-sJ.bin");
    const QString part = at("large.63tYA1Gj.bin.part");
    testenv::writeFile(at("gVvla-sJ.bin.part"), QByteArray(4096, 'l'));
    const RecordId empty = placeholder("large.bin");
    moveOver(at("gVvla-sJ.bin.part"), part);
    QFile file(part);
    ASSERT_TRUE(file.open(QIODevice::Append) && file.write(QByteArray(1 << 20, 'l')) > 0);
    file.close();
    ASSERT_TRUE(settleWatcher());
    EXPECT_TRUE(announced().empty()) << "nothing is finished yet";
    moveOver(part, at("large.bin"));
    expectAnnounced({"large.bin"});
    EXPECT_FALSE(record(empty));
}

TEST_F(BrowserReplayTest, ChromiumDownloadIsAnnouncedOnceWithItsFinalSize)
{
    const QString hidden =
        testenv::writeFile(at(".org.chromium.Chromium.aB3xYz"), QByteArray(8192, 'c'));
    moveOver(hidden, at("photo.png.crdownload"));
    // The placeholder and the rename over it come in the same millisecond.
    testenv::writeFile(at("photo.png"), {});
    moveOver(at("photo.png.crdownload"), at("photo.png"));
    // The same URL again gets a name of its own.
    testenv::writeFile(at("photo (1).png.crdownload"), QByteArray(4096, 'd'));
    testenv::writeFile(at("photo (1).png"), {});
    moveOver(at("photo (1).png.crdownload"), at("photo (1).png"));
    expectAnnounced({"photo.png", "photo (1).png"});
}

} // namespace
