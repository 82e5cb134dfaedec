// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/MoveMRU.h"
#include "TestSupport.h"
#include "platform/AppSettings.h"
#include "platform/Paths.h"

#include <QDir>
#include <QSettings>

namespace {

class MoveMRUTest : public testing::Test {
protected:
    void SetUp() override { QFile::remove(paths::settingsFile()); }
    static QStringList stored() { return settings::open()->value(MoveMRU::key).toStringList(); }
};

TEST_F(MoveMRUTest, RecordsMostRecentFirstWithoutDuplicatesUpToCapacity)
{
    MoveMRU mru;
    for (const char* path : {"/d/A", "/d/B", "/d/C"})
        mru.record(QString::fromUtf8(path));
    EXPECT_EQ(mru.paths(), (QStringList{"/d/C", "/d/B", "/d/A"}));
    mru.record("/d/A");
    EXPECT_EQ(mru.paths(), (QStringList{"/d/A", "/d/C", "/d/B"}));
    for (int i = 0; i < 20; ++i)
        mru.record(QStringLiteral("/d/n%1").arg(i));
    // A, B and C, the oldest, left.
    EXPECT_EQ(std::tuple(mru.paths().size(), mru.paths().first(), mru.paths().last()),
              std::tuple(MoveMRU::capacity, QString("/d/n19"), QString("/d/n0")));
    // Every record is saved; names the settings file must quote survive a reload.
    mru.record("/d/a, b \"q\" ;=#");
    MoveMRU again;
    again.load();
    EXPECT_EQ(again.paths(), mru.paths());
}

TEST_F(MoveMRUTest, ReadsListsWrittenByAnotherProcessLongOnesWhole)
{
    // A longer list than it keeps loads whole and shrinks on the next record.
    QStringList many;
    for (int i = 0; i < 25; ++i)
        many.append(QStringLiteral("/d/%1").arg(i));
    settings::write(settings::moveDestinations, many);
    MoveMRU mru;
    mru.load();
    EXPECT_EQ(mru.paths(), many);
    mru.record("/d/new");
    EXPECT_EQ(stored(), QStringList{"/d/new"} + many.first(MoveMRU::capacity - 1));
    // A settings file, and the list read from it.
    const std::pair<const char*, QStringList> cases[] = {
        {"[General]\nMoveMRU.destinations=/a, /b, /c\n", {"/a", "/b", "/c"}},
        // A one-entry list is stored as its single text.
        {"[General]\nMoveMRU.destinations=/only\n", {"/only"}},
        {"[General]\nMoveMRU.destinations=\n", {}},
        // Not all texts: the whole list reads as empty.
        {"[General]\nMoveMRU.destinations=/a, @ByteArray(/b)\n", {}},
        {"[General]\nMoveMRU.destinations=@Rect(1 2 3 4)\n", {}}};
    for (const auto& [text, expected] : cases) {
        testenv::writeFile(paths::settingsFile(), text);
        MoveMRU reader;
        reader.load();
        EXPECT_EQ(reader.paths(), expected) << text;
    }
}

TEST_F(MoveMRUTest, ValidatedPrunesVanishedFoldersAndFilesOnly)
{
    const QString root = testenv::freshFolder("mru");
    const QString x = root + "/X", y = root + "/Y", z = root + "/Z", w = root + "/W";
    const QString f = root + "/F";
    for (const QString& folder : {x, y, z, w, f})
        ASSERT_TRUE(QDir().mkpath(folder));
    MoveMRU mru;
    for (const QString& folder : {w, z, y, x})
        mru.record(folder);
    // Nothing vanished: nothing written (a value changed behind its back stays).
    settings::write(settings::moveDestinations, QStringList{"/elsewhere"});
    EXPECT_EQ(mru.validated(3), (QStringList{x, y, z}));
    EXPECT_EQ(stored(), QStringList{"/elsewhere"});
    ASSERT_TRUE(QDir(x).removeRecursively());
    EXPECT_EQ(mru.validated(3), (QStringList{y, z, w}));
    EXPECT_EQ(stored(), (QStringList{y, z, w}));
    // A folder that became a file is pruned like a deleted one.
    mru.record(f);
    ASSERT_TRUE(QDir(f).removeRecursively());
    testenv::writeFile(f);
    EXPECT_EQ(mru.validated(2), (QStringList{y, z}));
    EXPECT_EQ(stored(), (QStringList{y, z, w}));
}

} // namespace
