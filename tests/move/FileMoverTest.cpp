// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/FileMover.h"
#include "FakeWorkspace.h"
#include "TestSupport.h"
#include "platform/FileSystem.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/xattr.h>

namespace {

// Every entry below a folder with what identifies it: type, mode, size,
// modification time, user attribute, and link target or content.
QStringList describeTree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray name = QFile::encodeName(path);
        struct stat st {};
        ::lstat(name, &st);
        char tag[64] = {};
        ::lgetxattr(name, "user.tag", tag, sizeof tag - 1);
        QString entry = path.mid(root.size() + 1) +
                        QString::asprintf(" %o %lld %lld.%ld %s", st.st_mode,
                                          S_ISDIR(st.st_mode) ? 0LL : (long long)st.st_size,
                                          (long long)st.st_mtim.tv_sec, st.st_mtim.tv_nsec, tag);
        char target[4096] = {};
        if (S_ISLNK(st.st_mode) && ::readlink(name.constData(), target, sizeof target - 1) > 0)
            entry += " -> " + QString::fromUtf8(target);
        else if (S_ISREG(st.st_mode))
            entry += ' ' + QString::number(qHash(testenv::contentOf(path)));
        entries.append(entry);
    }
    entries.sort();
    return entries;
}

class FileMoverTest : public testing::Test {
protected:
    std::shared_ptr<FakeWorkspace> m_workspace = std::make_shared<FakeWorkspace>();
    FileMover m_mover{m_workspace};
    QString m_source = testenv::freshFolder("source");
    QString m_destination = testenv::freshFolder("destination");
    // Moves a batch, runs `meanwhile` while it is under way, and waits for its end.
    QList<MoveOutcome> moveAndWait(const QStringList& sources,
                                   const std::function<void()>& meanwhile = {},
                                   bool createDestination = false)
    {
        std::optional<QList<MoveOutcome>> outcomes;
        m_mover.moveFiles(
            sources, m_destination, [&](const QList<MoveOutcome>& done) { outcomes = done; },
            createDestination);
        if (meanwhile)
            meanwhile();
        EXPECT_TRUE(waitUntil([&] { return outcomes.has_value(); }, std::chrono::seconds(30)));
        return outcomes.value_or(QList<MoveOutcome>{});
    }
    static QStringList targetsOf(const QList<MoveOutcome>& outcomes)
    {
        return textsOf(outcomes, [](const MoveOutcome& outcome) {
            return outcome.moved() ? outcome.target
                                   : "failed: " + outcome.source +
                                         (outcome.error.isEmpty() ? " (no reason)" : "");
        });
    }
};

TEST_F(FileMoverTest, MovesWithinOneDeviceAtOnceNeverOverwritingAndRevealsOnlyTheFirst)
{
    testenv::writeFile(m_destination + "/report.pdf", "old");
    const QString report = testenv::writeFile(m_source + "/report.pdf", "new");
    const std::uint64_t inode = inodeOf(report);
    ASSERT_TRUE(QDir().mkpath(m_source + "/album/disc"));
    testenv::writeFile(m_source + "/album/disc/track", "t");
    const QStringList moved = targetsOf(moveAndWait({report, m_source + "/album"}));
    EXPECT_EQ(moved, (QStringList{m_destination + "/report (2).pdf", m_destination + "/album"}));
    EXPECT_EQ(testenv::contentOf(m_destination + "/report.pdf"), "old");
    EXPECT_EQ(inodeOf(moved.first()), inode); // renamed, not copied
    EXPECT_EQ(testenv::contentOf(m_destination + "/album/disc/track"), "t");
    EXPECT_EQ(describeTree(m_source), QStringList());
    EXPECT_EQ(m_workspace->revealed, QList<QStringList>{{moved.first()}});
    EXPECT_EQ(m_mover.pendingMoves(), 0);
}

TEST_F(FileMoverTest, AFailedItemSaysWhyAndStopsNoOtherAndAMissingDestinationIsMadeWhenAsked)
{
    EXPECT_TRUE(moveAndWait({}).isEmpty());
    // A folder cannot go inside itself, and a missing source goes nowhere;
    // the file between them still moves.
    const QString folder = m_source + "/f";
    ASSERT_TRUE(QDir().mkpath(folder + "/inner"));
    const QString kept = testenv::writeFile(m_source + "/kept.txt", "k");
    m_destination = folder + "/inner";
    EXPECT_EQ(targetsOf(moveAndWait({folder, kept, m_source + "/missing.txt"})),
              (QStringList{"failed: " + folder, folder + "/inner/kept.txt",
                           "failed: " + m_source + "/missing.txt"}));
    EXPECT_FALSE(QFileInfo::exists(folder + "/inner/f"));
    EXPECT_EQ(m_workspace->revealed, QList<QStringList>{{folder + "/inner/kept.txt"}});
    // A destination chain is made when asked, unless a file is in its way.
    const QString report = testenv::writeFile(m_source + "/report.pdf", "r");
    const QString base = testenv::freshFolder("chain");
    m_destination = base + "/a/b/c";
    EXPECT_EQ(targetsOf(moveAndWait({report}, {}, true)),
              QStringList{m_destination + "/report.pdf"});
    const QString notes = testenv::writeFile(m_source + "/notes", "n");
    m_destination = testenv::writeFile(base + "/plain") + "/sub";
    EXPECT_EQ(targetsOf(moveAndWait({notes}, {}, true)), QStringList{"failed: " + notes});
    EXPECT_TRUE(QFileInfo::exists(notes));
}

void setTimes(const QString& path, long seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 123456789}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

// Moves onto /dev/shm, a tmpfs: another device than the test's home.
class CrossDeviceMoveTest : public FileMoverTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_other.isValid());
        m_destination = m_other.path();
        ASSERT_NE(fs::stat(m_source)->device, fs::stat(m_destination)->device)
            << "the test needs two devices";
    }

    QTemporaryDir m_other{"/dev/shm/vantle-test-XXXXXX"};
};

TEST_F(CrossDeviceMoveTest, MovesAFileUnderAFreeNameAndAFolderTreeWithMetadataAndLinks)
{
    const QString file = testenv::writeFile(m_source + "/report.pdf", "payload");
    ASSERT_EQ(::setxattr(QFile::encodeName(file), "user.tag", "kept", 4, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file), 0640), 0);
    setTimes(file, 1000000000);
    testenv::writeFile(m_destination + "/report.pdf", "theirs");
    const QString album = m_source + "/album";
    ASSERT_TRUE(QDir().mkpath(album + "/disc 1/empty"));
    testenv::writeFile(album + "/disc 1/track.flac", QByteArray(300000, 'x'));
    testenv::writeFile(album + "/cover.jpg", "jpg");
    ASSERT_TRUE(QFile::link("disc 1/track.flac", album + "/latest"));
    ASSERT_TRUE(QFile::link("/nonexistent", album + "/dangling"));
    ASSERT_EQ(::setxattr(QFile::encodeName(album), "user.tag", "dir", 3, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(album + "/cover.jpg"), 0444), 0);
    setTimes(album + "/disc 1", 1200000000);
    setTimes(album + "/latest", 1300000000);
    setTimes(album, 1100000000);
    const QStringList before = describeTree(m_source);
    const QString target = m_destination + "/report (2).pdf";
    ASSERT_EQ(targetsOf(moveAndWait({file, album})),
              (QStringList{target, m_destination + "/album"}));
    EXPECT_EQ(testenv::contentOf(m_destination + "/report.pdf"), "theirs");
    QStringList after = describeTree(m_destination);
    after.removeIf([](const QString& entry) { return entry.startsWith("report.pdf "); });
    after.replaceInStrings("report (2).pdf ", "report.pdf ");
    EXPECT_EQ(after, before);
    EXPECT_EQ(describeTree(m_source), QStringList());
    EXPECT_EQ(m_workspace->revealed, QList<QStringList>{{target}});
}

TEST_F(CrossDeviceMoveTest, ATargetTakenWhileCopyingIsNotOverwrittenAndAnOriginalThatStaysIsNoMove)
{
    // Big enough that the copy is still running when the name is taken.
    const QByteArray payload(64 * 1024 * 1024, 'p');
    const QString file = testenv::writeFile(m_source + "/video.mkv", payload);
    const QList<MoveOutcome> outcomes = moveAndWait({file}, [&] {
        QFile theirs(m_destination + "/video.mkv");
        ASSERT_TRUE(theirs.open(QIODevice::WriteOnly | QIODevice::NewOnly));
        theirs.write("theirs");
    });
    EXPECT_EQ(targetsOf(outcomes), QStringList{m_destination + "/video (2).mkv"});
    EXPECT_EQ(testenv::contentOf(m_destination + "/video.mkv"), "theirs");
    EXPECT_EQ(testenv::contentOf(m_destination + "/video (2).mkv"), payload);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(describeTree(m_destination).size(), 2) << "nothing beside the two";
    // An original that cannot be removed after the copy is no move. Immutable:
    // readable, so it copies, but even root cannot unlink it.
    const QString pinned = testenv::writeFile(m_source + "/pinned.pdf", "payload");
    if (QProcess::execute("chattr", {"+i", pinned}) != 0)
        GTEST_SKIP() << "cannot make a file immutable here";
    const QList<MoveOutcome> kept = moveAndWait({pinned});
    QProcess::execute("chattr", {"-i", pinned});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(!kept[0].moved() && kept[0].error.contains("could not be removed"))
        << kept[0].error.toStdString();
    EXPECT_EQ(kept[0].target, m_destination + "/pinned.pdf") << "the copy says where it is";
    EXPECT_TRUE(QFileInfo::exists(pinned));
    EXPECT_EQ(m_workspace->revealed.size(), 1) << "only the video was shown";
}

TEST_F(CrossDeviceMoveTest, AFailureHalfWayOrAFullDestinationLeavesTheSourceWholeAndNoDebris)
{
    // The copy reaches the pipe last, after two files were copied.
    const QString folder = m_source + "/mixed";
    ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
    testenv::writeFile(folder + "/a", "a");
    testenv::writeFile(folder + "/sub/b", "b");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/z-pipe").constData(), 0600), 0);
    const QStringList before = describeTree(m_source);
    EXPECT_EQ(targetsOf(moveAndWait({folder})), QStringList{"failed: " + folder});
    EXPECT_EQ(describeTree(m_source), before);
    EXPECT_EQ(describeTree(m_destination), QStringList());
    EXPECT_TRUE(m_workspace->revealed.isEmpty());
    // A tiny file system of its own; mounting needs privileges.
    QTemporaryDir mountPoint(QDir::tempPath() + "/vantle-tiny-XXXXXX");
    ASSERT_TRUE(mountPoint.isValid());
    if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0,
                "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    m_destination = mountPoint.path();
    const QString big = testenv::writeFile(m_source + "/big.iso", QByteArray(512 * 1024, 'b'));
    const QStringList full = describeTree(m_source);
    const QStringList outcome = targetsOf(moveAndWait({big}));
    const QStringList left = describeTree(m_destination);
    ::umount(QFile::encodeName(mountPoint.path()).constData());
    EXPECT_EQ(outcome, QStringList{"failed: " + big});
    EXPECT_EQ(left, QStringList());
    EXPECT_EQ(describeTree(m_source), full);
}

} // namespace
