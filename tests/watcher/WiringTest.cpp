// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeTrash.h"
#include "TestSupport.h"
#include "app/AppState.h"

#include <QDir>

namespace {

// The watcher as the application starts it: after the initial import, with
// new records announced on the main thread.
TEST(WatcherWiringTest, StartedAppRecordsAndAnnouncesNewDownloads)
{
    const QString root = testenv::freshFolder(QStringLiteral("wiring"));
    const QString downloads = root + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    testenv::writeFile(downloads + QStringLiteral("/old.zip"));
    TrackedFileActor::Options options;
    options.storePath = root + QStringLiteral("/Vantle.store");
    options.trash = std::make_shared<FakeTrash>();
    QString error;
    auto store = TrackedFileActor::open(options, &error);
    ASSERT_TRUE(store) << error.toStdString();
    AppState app({downloads, root + QStringLiteral("/autostart/vantle.desktop"),
                  QStringLiteral("/usr/bin/vantle"), options.trash},
                 std::move(store));
    // The toast shows itself on the offscreen platform, which cannot raise windows.
    allowWarning(QStringLiteral("This plugin does not support"));
    await(app.start());
    EXPECT_TRUE(
        logcapture::contains(QStringLiteral("FSEventsMonitor started watching: ") + downloads));

    testenv::writeFile(downloads + QStringLiteral("/new.pdf"), "pdf");
    ASSERT_TRUE(waitUntil([&] {
        return logcapture::count(QStringLiteral("New file announced: TrackedFile(")) == 1;
    }));
    const auto records = await(app.trackedFileActor().allRecords());
    ASSERT_EQ(records.size(), 2u);
    for (const RecordSummary& record : records) {
        const bool isNew = record.filePath.endsWith(QStringLiteral("/new.pdf"));
        EXPECT_EQ(record.state, isNew ? FileState::unprocessed : FileState::dismissed);
        if (isNew) {
            EXPECT_TRUE(logcapture::contains(QStringLiteral("New file announced: ") +
                                             record.id.description()));
        }
    }
    // The existing item was imported, not announced.
    EXPECT_EQ(logcapture::count(QStringLiteral("New file announced: ")), 1);
    app.shutdown();
}

} // namespace
