// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FileMover.h"
#include "FakeWorkspace.h"
#include "TestSupport.h"
#include "platform/FileTransfer.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Everything below a folder, as relative paths (links not followed).
QStringList treeOf(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(it.next().mid(root.size() + 1));
    entries.sort();
    return entries;
}

bool hasDebris(const QString& folder)
{
    for (const QString& entry : treeOf(folder))
        if (entry.section(QLatin1Char('/'), -1).startsWith(QStringLiteral(".vantle-move-")))
            return true;
    return false;
}

class FileMoverTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_workspace = std::make_shared<FakeWorkspace>();
        m_mover = std::make_unique<FileMover>(m_workspace);
        m_source = testenv::freshFolder(QStringLiteral("source"));
        m_destination = testenv::freshFolder(QStringLiteral("destination"));
    }

    std::shared_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<FileMover> m_mover;
    QString m_source;
    QString m_destination;
};

TEST_F(FileMoverTest, UniqueDestinationNumbersCollisionsBeforeTheExtension)
{
    const struct {
        const char* name;
        std::vector<const char*> existing;
        const char* expected;
    } cases[] = {
        {"report.pdf", {}, "report.pdf"},
        {"report.pdf", {"report.pdf", "report (2).pdf"}, "report (3).pdf"},
        {"archive.tar.gz", {"archive.tar.gz"}, "archive.tar (2).gz"},
        {"notes", {"notes"}, "notes (2)"},
        {".bashrc", {".bashrc"}, ".bashrc (2)"},
        {"trailing.", {"trailing."}, "trailing. (2)"},
        // A dangling link still holds its name.
        {"link.txt", {"@link.txt"}, "link (2).txt"},
    };
    for (const auto& c : cases) {
        const QString folder = testenv::freshFolder(QStringLiteral("unique"));
        for (const char* name : c.existing) {
            const QString entry = QString::fromUtf8(name);
            if (entry.startsWith(QLatin1Char('@')))
                ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent/target"),
                                        folder + QLatin1Char('/') + entry.mid(1)));
            else
                testenv::writeFile(folder + QLatin1Char('/') + entry);
        }
        const QString source = m_source + QLatin1Char('/') + QString::fromUtf8(c.name);
        EXPECT_EQ(FileMover::uniqueDestination(source, folder),
                  folder + QLatin1Char('/') + QString::fromUtf8(c.expected))
            << c.name;
    }
}

TEST_F(FileMoverTest, MovesWithinOneDeviceAtOnceAndRevealsOnlyTheFirst)
{
    testenv::writeFile(m_destination + QStringLiteral("/report.pdf"), "old");
    testenv::writeFile(m_destination + QStringLiteral("/report (2).pdf"), "older");
    const QString report = testenv::writeFile(m_source + QStringLiteral("/report.pdf"), "new");
    const QString notes = testenv::writeFile(m_source + QStringLiteral("/notes"), "n");
    ASSERT_TRUE(QDir().mkpath(m_source + QStringLiteral("/album/disc")));
    testenv::writeFile(m_source + QStringLiteral("/album/disc/track"), "t");

    const QStringList moved =
        m_mover->moveFiles({report, notes, m_source + QStringLiteral("/album")}, m_destination);
    EXPECT_EQ(moved, (QStringList{m_destination + QStringLiteral("/report (3).pdf"),
                                  m_destination + QStringLiteral("/notes"),
                                  m_destination + QStringLiteral("/album")}));
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/report.pdf")), "old");
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/report (2).pdf")), "older");
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/report (3).pdf")), "new");
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/album/disc/track")), "t");
    EXPECT_TRUE(treeOf(m_source).isEmpty());
    ASSERT_EQ(m_workspace->revealed().size(), 1);
    EXPECT_EQ(m_workspace->revealed().first(), QStringList{moved.first()});
    EXPECT_EQ(m_mover->pendingMoves(), 0);
}

TEST_F(FileMoverTest, NothingToMoveTouchesNothingAndFailuresOnlyLog)
{
    EXPECT_TRUE(m_mover->moveFiles({}, m_destination).isEmpty());
    EXPECT_TRUE(m_workspace->revealed().isEmpty());

    // A folder cannot go inside itself: that one fails, the next still moves.
    const QString folder = m_source + QStringLiteral("/f");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inner")));
    const QString kept = testenv::writeFile(m_source + QStringLiteral("/kept.txt"), "k");
    EXPECT_EQ(m_mover->moveFiles({folder, kept}, folder + QStringLiteral("/inner")),
              QStringList{folder + QStringLiteral("/inner/kept.txt")});
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Move failed ") + folder +
                                     QStringLiteral(" → ") + folder +
                                     QStringLiteral("/inner/f: Invalid argument")));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inner")).isDir());

    // A source that cannot be looked at takes the background road and fails there.
    QSignalSpy finished(m_mover.get(), &FileMover::crossDeviceMoveFinished);
    const QString missing = m_source + QStringLiteral("/missing.txt");
    EXPECT_TRUE(m_mover->moveFiles({missing}, m_destination).isEmpty());
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }));
    EXPECT_FALSE(finished.first().at(2).toBool());
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Move failed (cross-volume) ") + missing +
                                     QStringLiteral(" → ") + m_destination +
                                     QStringLiteral("/missing.txt: ") + missing +
                                     QStringLiteral(": No such file or directory")));
    EXPECT_FALSE(hasDebris(m_destination));
    EXPECT_EQ(m_workspace->revealed().size(), 1); // only the first successful batch
}

TEST_F(FileMoverTest, ARenameNeverReplacesATargetThatAppeared)
{
    const QString source = testenv::writeFile(m_source + QStringLiteral("/a.txt"), "mine");
    const QString target = FileMover::uniqueDestination(source, m_destination);
    // Someone else takes the name between choosing and moving.
    testenv::writeFile(target, "theirs");
    EXPECT_EQ(filetransfer::renameNoReplace(source, target), EEXIST);
    EXPECT_EQ(testenv::contentOf(target), "theirs");
    EXPECT_EQ(testenv::contentOf(source), "mine");
    // The same for a folder onto an empty folder, which a plain rename replaces.
    ASSERT_TRUE(QDir().mkpath(m_source + QStringLiteral("/f/inner")));
    ASSERT_TRUE(QDir().mkpath(m_destination + QStringLiteral("/f")));
    EXPECT_EQ(filetransfer::renameNoReplace(m_source + QStringLiteral("/f"),
                                            m_destination + QStringLiteral("/f")),
              EEXIST);
    EXPECT_TRUE(QFileInfo::exists(m_source + QStringLiteral("/f/inner")));
}

TEST_F(FileMoverTest, CreatesWholeChainsAndReportsWhatItCannotCreate)
{
    const QString chain = m_destination + QStringLiteral("/a/b/c");
    EXPECT_TRUE(FileMover::createFolder(chain));
    EXPECT_TRUE(QFileInfo(chain).isDir());
    EXPECT_TRUE(FileMover::createFolder(chain)); // already there
    const QString file = testenv::writeFile(m_destination + QStringLiteral("/plain"));
    EXPECT_FALSE(FileMover::createFolder(file + QStringLiteral("/sub")));
    EXPECT_TRUE(logcapture::contains(QStringLiteral("Failed to create folder ") + file +
                                     QStringLiteral("/sub: Not a directory")));
    EXPECT_FALSE(FileMover::createFolder(file));
}

} // namespace
