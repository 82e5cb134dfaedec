// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeWorkspace.h"
#include "TestSupport.h"
#include "move/FileMover.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// /dev/shm is a tmpfs: another device than the test's home under /tmp.
const QString otherDevice = QStringLiteral("/dev/shm");

// Every entry below a folder with what identifies it: type, mode, size,
// modification time, link target, content and its user attribute.
QStringList describeTree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        char tag[64] = {};
        ::lgetxattr(QFile::encodeName(path).constData(), "user.tag", tag, sizeof tag - 1);
        QString entry = QStringLiteral("%1 %2 %3 %4.%5 %6")
                            .arg(path.mid(root.size() + 1))
                            .arg(st.st_mode, 0, 8)
                            .arg(S_ISDIR(st.st_mode) ? 0 : st.st_size)
                            .arg(st.st_mtim.tv_sec)
                            .arg(st.st_mtim.tv_nsec)
                            .arg(QString::fromUtf8(tag));
        if (S_ISLNK(st.st_mode)) {
            char target[4096] = {};
            ::readlink(QFile::encodeName(path).constData(), target, sizeof target - 1);
            entry += QStringLiteral(" -> ") + QString::fromUtf8(target);
        } else if (S_ISREG(st.st_mode)) {
            entry += QLatin1Char(' ') +
                     QString::fromLatin1(QCryptographicHash::hash(testenv::contentOf(path),
                                                                  QCryptographicHash::Sha1)
                                             .toHex());
        }
        entries.append(entry);
    }
    entries.sort();
    return entries;
}

void setTimes(const QString& path, long seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 123456789}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

class CrossDeviceMoveTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_source = testenv::freshFolder(QStringLiteral("xsource"));
        m_workspace = std::make_shared<FakeWorkspace>();
        m_mover = std::make_unique<FileMover>(m_workspace);
        ASSERT_TRUE(m_other.isValid());
        m_destination = m_other.path();
        struct stat a {
        }, b{};
        ASSERT_EQ(::stat(QFile::encodeName(m_source).constData(), &a), 0);
        ASSERT_EQ(::stat(QFile::encodeName(m_destination).constData(), &b), 0);
        ASSERT_NE(a.st_dev, b.st_dev) << "the test needs two devices";
    }

    // Moves one item and waits for the background move to end.
    bool moveAndWait(const QString& source, QString* target = nullptr)
    {
        QSignalSpy finished(m_mover.get(), &FileMover::crossDeviceMoveFinished);
        EXPECT_TRUE(m_mover->moveFiles({source}, m_destination).isEmpty()); // not at once
        EXPECT_TRUE(waitUntil([&] { return finished.size() == 1; }));
        if (finished.size() != 1)
            return false;
        if (target)
            *target = finished.first().at(1).toString();
        return finished.first().at(2).toBool();
    }

    bool hasDebris() const
    {
        return !QDir(m_destination)
                    .entryList({QStringLiteral(".vantle-move-*")},
                               QDir::AllEntries | QDir::Hidden | QDir::System)
                    .isEmpty();
    }

    QTemporaryDir m_other{otherDevice + QStringLiteral("/vantle-test-XXXXXX")};
    QString m_source;
    QString m_destination;
    std::shared_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<FileMover> m_mover;
};

TEST_F(CrossDeviceMoveTest, MovesAFileWithItsMetadataUnderAFreeName)
{
    const QString file = testenv::writeFile(m_source + QStringLiteral("/report.pdf"), "payload");
    ASSERT_EQ(::setxattr(QFile::encodeName(file).constData(), "user.tag", "kept", 4, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    setTimes(file, 1000000000);
    testenv::writeFile(m_destination + QStringLiteral("/report.pdf"), "theirs");
    const QStringList before = describeTree(m_source);

    QString target;
    ASSERT_TRUE(moveAndWait(file, &target));
    EXPECT_EQ(target, m_destination + QStringLiteral("/report (2).pdf"));
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/report.pdf")), "theirs");
    EXPECT_FALSE(QFileInfo::exists(file));
    QStringList after = describeTree(m_destination);
    after.removeIf([](const QString& entry) { return entry.startsWith("report.pdf "); });
    EXPECT_EQ(after.size(), 1);
    EXPECT_EQ(after.value(0).mid(QStringLiteral("report (2).pdf").size()),
              before.value(0).mid(QStringLiteral("report.pdf").size()));
    EXPECT_FALSE(hasDebris());
    ASSERT_EQ(m_workspace->revealed().size(), 1);
    EXPECT_EQ(m_workspace->revealed().first(), QStringList{target});
    EXPECT_EQ(m_mover->pendingMoves(), 0);
}

TEST_F(CrossDeviceMoveTest, ATargetTakenWhileCopyingIsNotOverwritten)
{
    // Big enough that the copy is still running when the name is taken.
    const QByteArray payload(64 * 1024 * 1024, 'p');
    const QString file = testenv::writeFile(m_source + QStringLiteral("/video.mkv"), payload);
    QSignalSpy finished(m_mover.get(), &FileMover::crossDeviceMoveFinished);
    EXPECT_TRUE(m_mover->moveFiles({file}, m_destination).isEmpty());
    QFile theirs(m_destination + QStringLiteral("/video.mkv"));
    ASSERT_TRUE(theirs.open(QIODevice::WriteOnly | QIODevice::NewOnly));
    theirs.write("theirs");
    theirs.close();
    ASSERT_TRUE(waitUntil([&] { return finished.size() == 1; }, std::chrono::seconds(30)));
    EXPECT_TRUE(finished.first().at(2).toBool());
    EXPECT_EQ(finished.first().at(1).toString(), m_destination + QStringLiteral("/video (2).mkv"));
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/video.mkv")), "theirs");
    EXPECT_EQ(testenv::contentOf(m_destination + QStringLiteral("/video (2).mkv")), payload);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(hasDebris());
}

TEST_F(CrossDeviceMoveTest, MovesAFolderTreeWithLinksAsLinks)
{
    const QString album = m_source + QStringLiteral("/album");
    ASSERT_TRUE(QDir().mkpath(album + QStringLiteral("/disc 1/empty")));
    testenv::writeFile(album + QStringLiteral("/disc 1/track.flac"), QByteArray(300000, 'x'));
    testenv::writeFile(album + QStringLiteral("/cover.jpg"), "jpg");
    ASSERT_TRUE(
        QFile::link(QStringLiteral("disc 1/track.flac"), album + QStringLiteral("/latest")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/nonexistent"), album + QStringLiteral("/dangling")));
    ASSERT_EQ(::setxattr(QFile::encodeName(album).constData(), "user.tag", "dir", 3, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(album + QStringLiteral("/cover.jpg")).constData(), 0444),
              0);
    setTimes(album + QStringLiteral("/disc 1"), 1200000000);
    setTimes(album + QStringLiteral("/latest"), 1300000000);
    setTimes(album, 1100000000);
    const QStringList before = describeTree(m_source);

    QString target;
    ASSERT_TRUE(moveAndWait(album, &target));
    EXPECT_EQ(target, m_destination + QStringLiteral("/album"));
    EXPECT_EQ(describeTree(m_destination), before);
    EXPECT_TRUE(QDir(m_source).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_FALSE(hasDebris());
    EXPECT_TRUE(QFileInfo(target + QStringLiteral("/latest")).isSymLink());
}

TEST_F(CrossDeviceMoveTest, AFailureHalfWayLeavesTheSourceWholeAndNoDebris)
{
    // The copy reaches the pipe last, after two files were copied.
    const QString folder = m_source + QStringLiteral("/mixed");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    testenv::writeFile(folder + QStringLiteral("/a"), "a");
    testenv::writeFile(folder + QStringLiteral("/sub/b"), "b");
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/z-pipe")).constData(), 0600), 0);
    const QStringList before = describeTree(m_source);

    ASSERT_FALSE(moveAndWait(folder));
    EXPECT_EQ(describeTree(m_source), before);
    EXPECT_TRUE(
        QDir(m_destination)
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_TRUE(m_workspace->revealed().isEmpty());
    EXPECT_EQ(logcapture::count(QStringLiteral("Move failed (cross-volume) ") + folder +
                                QStringLiteral(" → ") + m_destination + QStringLiteral("/mixed: ")),
              1);
}

TEST_F(CrossDeviceMoveTest, AFullDestinationLeavesTheSourceWholeAndNoDebris)
{
    // A tiny file system of its own; mounting needs privileges.
    QTemporaryDir mountPoint(QDir::tempPath() + QStringLiteral("/vantle-tiny-XXXXXX"));
    ASSERT_TRUE(mountPoint.isValid());
    if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0,
                "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    m_destination = mountPoint.path();
    const QString big =
        testenv::writeFile(m_source + QStringLiteral("/big.iso"), QByteArray(512 * 1024, 'b'));
    const QStringList before = describeTree(m_source);

    const bool moved = moveAndWait(big);
    const bool empty =
        QDir(m_destination)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
            .isEmpty();
    ::umount(QFile::encodeName(mountPoint.path()).constData());
    EXPECT_FALSE(moved);
    EXPECT_TRUE(empty);
    EXPECT_EQ(describeTree(m_source), before);
    const QString prefix = QStringLiteral("Move failed (cross-volume) ") + big +
                           QStringLiteral(" → ") + m_destination + QStringLiteral("/big.iso: ");
    const QStringList lines = logcapture::lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
        return line.startsWith(prefix) &&
               line.endsWith(QStringLiteral(": No space left on device"));
    })) << lines.join(QLatin1Char('\n')).toStdString();
}

} // namespace
