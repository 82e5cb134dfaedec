// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "app/AppState.h"
#include "store/TrackedFileActor.h"

#include <QFile>
#include <sys/stat.h>

// The program's start-up trashes what expired while it was off, and a file
// marked temporary afterwards goes at its expiry, both through the real Trash.
TEST(StartUpCleanupTest, expiredWhileOffAndExpiringWhileRunningBothReachTheTrash)
{
    const QString folder = testenv::freshFolder(QStringLiteral("startup"));
    const QString downloads = testenv::freshFolder(QStringLiteral("Downloads"));
    const QString storePath = folder + QStringLiteral("/Vantle.store");
    auto openStore = [&] {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = storePath;
        auto store = TrackedFileActor::open(options, &error);
        EXPECT_TRUE(store) << error.toStdString();
        return store;
    };
    auto recordFile = [&](TrackedFileActor& store, const QString& name) {
        const QString path = testenv::writeFile(downloads + QLatin1Char('/') + name, "bytes");
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        return await(store.insertRecord(st.st_ino, path, name, 5));
    };

    // A previous run marked a file temporary; it expired while nothing ran.
    {
        auto store = openStore();
        ASSERT_TRUE(store);
        const RecordId id = recordFile(*store, QStringLiteral("expired-offline.tar"));
        ASSERT_TRUE(await(store->markTemporary(id, -30)).has_value());
        store->shutdown();
    }

    auto store = openStore();
    ASSERT_TRUE(store);
    TrackedFileActor* storeRef = store.get();
    AppState::Config config{downloads, folder + QStringLiteral("/autostart/vantle.desktop"),
                            QStringLiteral("/usr/bin/true"), makeSystemTrash()};
    AppState app(config, std::move(store));
    await(app.start(), std::chrono::seconds(20));
    const QString trash = testenv::home() + QStringLiteral("/.local/share/Trash/files/");
    EXPECT_TRUE(QFile::exists(trash + QStringLiteral("expired-offline.tar")));
    EXPECT_FALSE(QFile::exists(downloads + QStringLiteral("/expired-offline.tar")));
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("Rehydrate: trashed 1 file(s) that expired while offline")));

    // While running: marked temporary for a moment, then scheduled, as the toast does.
    const RecordId id = recordFile(*storeRef, QStringLiteral("short-lived.png"));
    const auto expiry = await(storeRef->markTemporary(id, 0.2));
    ASSERT_TRUE(expiry.has_value());
    app.cleanupService().schedule(id, *expiry);
    ASSERT_TRUE(
        waitUntil([&] { return QFile::exists(trash + QStringLiteral("short-lived.png")); }));
    EXPECT_TRUE(waitUntil([&] { return !await(storeRef->record(id)).has_value(); }));
    app.shutdown();
}
