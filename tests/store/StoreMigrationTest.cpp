// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "store/Sqlite.h"

namespace {

class StoreMigrationTest : public StoreFixture {};

} // namespace

// A store written before "Keep forever" existed opens with its records
// unpinned, and a pin made then survives the next start.
TEST_F(StoreMigrationTest, AStoreOfTheFirstSchemaOpensAndKeepsPinsFromThenOn)
{
    m_store.reset();
    QFile::remove(storePath());
    {
        sqlite::Database db;
        ASSERT_TRUE(db.open(storePath()));
        ASSERT_TRUE(db.exec(R"sql(
            CREATE TABLE TrackedFile (id INTEGER PRIMARY KEY AUTOINCREMENT,
                inode INTEGER NOT NULL UNIQUE, filePath TEXT NOT NULL, fileName TEXT NOT NULL,
                state TEXT NOT NULL, detectedAt REAL NOT NULL, markedTemporaryAt REAL,
                expiresAt REAL, fileSize INTEGER NOT NULL, inodeSince REAL NOT NULL);
            INSERT INTO TrackedFile VALUES (7, 41, '/d/old.pdf', 'old.pdf', 'dismissed',
                1772366400, NULL, NULL, 5, 1772366400);
            PRAGMA user_version = 1;)sql"));
    }
    openStore();
    const auto old = record(RecordId{7});
    ASSERT_TRUE(old);
    EXPECT_EQ(old->fileName, "old.pdf");
    EXPECT_FALSE(old->pinned);

    EXPECT_EQ(await(m_store->setPinned(RecordId{7}, true)), QString());
    openStore();
    ASSERT_TRUE(record(RecordId{7}));
    EXPECT_TRUE(record(RecordId{7})->pinned);
}
