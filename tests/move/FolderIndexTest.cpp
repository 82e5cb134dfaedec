// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FolderIndex.h"
#include "TestSupport.h"

#include <QDirIterator>
#include <QSignalSpy>

namespace {

using namespace std::chrono_literals;

// A small home with every kind of folder the index must leave out.
QString makeHome(const QString& name)
{
    const QString home = testenv::freshFolder(name);
    for (const char* folder :
         {"Documents/Projects/vantle/src", "Documents/Library/Old", "Downloads", "Library/Mail",
          ".config/x", "code/app/node_modules/lib/deep", "code/app/src", "Apps/Tool.app/Contents",
          "Photos Library.photoslibrary/Masters", "Tool.APP/inside", "NODE_MODULES/kept",
          "ends./inner", "Music/.git/objects", "Music/build/out", "Music/Albums"})
        EXPECT_TRUE(QDir().mkpath(home + QLatin1Char('/') + QString::fromUtf8(folder)));
    // A loop back to the home folder and a link to a folder: never followed.
    EXPECT_TRUE(QFile::link(home, home + "/Documents/loop"));
    EXPECT_TRUE(QFile::link(home + "/Music", home + "/MusicLink"));
    testenv::writeFile(home + "/Documents/file.txt");
    return home;
}

TEST(FolderCrawl, ListsWhatTheFilterKeepsNeverEntersTheRestAndSkipsWhatCannotBeRead)
{
    const QString home = makeHome("crawl-home");
    QStringList opened;
    const QStringList paths = FolderIndex::crawlFolders(
        home, [&](std::string_view path) { opened.append(QString::fromUtf8(path)); });
    // Every real folder below, links not followed, that the filter keeps.
    QSet<QString> expected;
    QDirIterator it(home, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString path = it.next(); FolderIndex::isIndexable(path, home))
            expected.insert(path);
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()), expected);
    EXPECT_EQ(QSet<QString>(paths.begin(), paths.end()).size(), paths.size()) << "duplicates";
    for (const char* kept : {"/Documents/Library", "/NODE_MODULES/kept", "/ends./inner"})
        EXPECT_TRUE(paths.contains(home + kept)) << kept;
    // Rejected folders are not even read: nothing inside them is opened.
    for (const char* pruned : {"/Library", "/.config", "/code/app/node_modules", "/Apps/Tool.app",
                               "/Photos Library.photoslibrary", "/Tool.APP", "/Music/.git",
                               "/Music/build", "/Documents/loop", "/MusicLink"}) {
        const QString root = home + QString::fromUtf8(pruned);
        for (const QString& path : opened)
            EXPECT_FALSE(path == root || path.startsWith(root + QLatin1Char('/')))
                << path.toStdString();
    }
    EXPECT_EQ(opened.first(), home);
    EXPECT_EQ(opened.size(), paths.size() + 1); // every listed folder once, plus the root
    // The filter on what this home does not hold.
    for (const QString& path : {home, home + "/a/__pycache__", home + "-other/x"})
        EXPECT_FALSE(FolderIndex::isIndexable(path, home)) << path.toStdString();
    for (const QString& path : {home + "/Libraryish", home + "/archive.tar"})
        EXPECT_TRUE(FolderIndex::isIndexable(path, home)) << path.toStdString();
    // A name that is not UTF-8 cannot be given back as a path: left out.
    const QString odd = testenv::freshFolder("unreadable-home");
    for (const char* folder : {"/zgone/inner", "/kept", "/zz/inner"})
        ASSERT_TRUE(QDir().mkpath(odd + folder));
    const QByteArray badName = QFile::encodeName(odd) + "/bad\xff";
    ASSERT_EQ(::mkdir((badName + "/").constData(), 0755), 0);
    ASSERT_EQ(::mkdir((badName + "/sub").constData(), 0755), 0);
    // A folder that vanishes between being listed and being read (as an
    // unreadable one would fail to open) is passed over quietly: the walk goes on.
    const QStringList walked = FolderIndex::crawlFolders(odd, [&](std::string_view path) {
        if (QString::fromUtf8(path) == odd + "/kept")
            QDir(odd + "/zgone").removeRecursively();
    });
    EXPECT_TRUE(walked.contains(odd + "/zz/inner") && walked.contains(odd + "/zgone"));
    EXPECT_FALSE(walked.contains(odd + "/zgone/inner"));
    for (const QString& path : walked)
        EXPECT_FALSE(path.contains("bad")) << path.toStdString();
}

TEST(FolderCrawl, SubtreesReadInParallelComeOutBreadthFirstSortedAndACancelStopsTheReading)
{
    const QString home = testenv::freshFolder("wide-home");
    ASSERT_TRUE(QDir().mkpath(home + "/C")); // sorted by code unit: before "t0"
    for (int top = 0; top < 90; ++top)
        for (int child = 0; child < 3; ++child)
            for (const char* leaf : {"b", "a"})
                ASSERT_TRUE(QDir().mkpath(
                    QStringLiteral("%1/t%2/c%3/%4").arg(home).arg(top).arg(child).arg(leaf)));
    // Level by level, each sorted: with these names, the order of (depth, path).
    QStringList expected;
    QDirIterator it(home, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        expected.append(it.next());
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        return std::pair(a.count('/'), a) < std::pair(b.count('/'), b);
    });
    for (int run = 0; run < 3; ++run)
        EXPECT_EQ(FolderIndex::crawlFolders(home), expected) << "run " << run;
    std::atomic<bool> cancelled = false;
    int opened = 0;
    const QStringList paths = FolderIndex::crawlFolders(
        home,
        [&](std::string_view) {
            if (++opened == 20)
                cancelled = true;
        },
        &cancelled);
    EXPECT_GE(opened, 20);
    EXPECT_LT(opened, 30); // at most one folder per thread after the flag
    EXPECT_LT(paths.size(), expected.size());
    EXPECT_TRUE(paths.contains(home + "/t0"));
}

TEST(FolderIndexService, GathersOnceThenRecrawlsOnlyWhenAskedAfterTheGap)
{
    const QString home = makeHome("index-home");
    FolderIndex index(home, 0ms);
    QSignalSpy crawls(&index, &FolderIndex::pathsChanged);
    QSignalSpy gathered(&index, &FolderIndex::gathered);
    EXPECT_FALSE(index.refresh()); // nothing before the first crawl
    index.start();
    index.start();
    ASSERT_TRUE(waitUntil([&] { return index.hasGathered(); }));
    ASSERT_TRUE(QDir().mkpath(home + "/Documents/Receipts"));
    EXPECT_TRUE(index.refresh());
    EXPECT_FALSE(index.refresh()); // one crawl at a time
    ASSERT_TRUE(waitUntil([&] { return !index.isCrawling(); }));
    EXPECT_TRUE(index.paths().contains(home + "/Documents/Receipts"));
    // Started twice but crawled once, then once more when asked.
    EXPECT_EQ(crawls.size(), 2);
    EXPECT_EQ(gathered.size(), 1);
    FolderIndex slow(home, std::chrono::hours(1));
    slow.start();
    ASSERT_TRUE(waitUntil([&] { return slow.hasGathered(); }));
    EXPECT_FALSE(slow.refresh()); // too soon after the last crawl
}

} // namespace
