// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "platform/Trash.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSemaphore>
#include <QUrl>
#include <unistd.h>

using State = DynamicIslandToastState;

// The end-to-end toast test sees both files marked and tagged, and the toast go.
TEST_F(ToastFixture, MarkTemporaryHidesAtOnceAndSchedulesEveryQueuedFile)
{
    showFile("a.pdf");
    showFile("b c.pdf");
    m_controller->markTemporary();
    EXPECT_EQ(m_controller->state(), State::hidden); // at once, without waiting for the store
    ASSERT_TRUE(waitUntil([&] { return await(m_cleanup->scheduledCount()) == 2; }));
}

TEST_F(ToastFixture, OpenOpensInQueueOrderAndDismisses)
{
    const RecordId a = showFile("one.txt"), b = showFile("two.txt");
    m_controller->performOpen();
    EXPECT_EQ(m_controller->state(), State::hidden);
    EXPECT_EQ(m_workspace->opened,
              (QStringList{m_downloads + "/one.txt", m_downloads + "/two.txt"}));
    ASSERT_TRUE(waitUntil([&] { return allInState({a, b}, FileState::dismissed); }));
}

TEST_F(ToastFixture, CopyPutsTheFilesOnTheClipboardAndMarksThemTemporary)
{
    const RecordId a = showFile("ä b.txt");
    m_controller->performCopy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    const QUrl url = QUrl::fromLocalFile(m_downloads + "/ä b.txt");
    EXPECT_EQ(data->urls(), QList<QUrl>{url});
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\n" + url.toEncoded());
    ASSERT_TRUE(waitUntil([&] { return allInState({a}, FileState::temporary); }));
}

// The test's own Trash made unwritable; for root, whom permissions do not
// stop, immutable as well. Writable again when it goes.
class UnwritableTrash {
public:
    UnwritableTrash()
    {
        for (const QString& folder : m_folders) {
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
        m_immutable =
            ::geteuid() == 0 && QProcess::execute("chattr", QStringList{"+i"} + m_folders) == 0;
    }
    ~UnwritableTrash()
    {
        if (m_immutable)
            QProcess::execute("chattr", QStringList{"-i"} + m_folders);
        for (const QString& folder : m_folders)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool refuses() const { return ::geteuid() != 0 || m_immutable; }

private:
    const QString m_root = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
    const QStringList m_folders{m_root + "/files", m_root + "/info"};
    bool m_immutable = false;
};

TEST_F(ToastFixture, ADeleteTheTrashRefusesOffersNoUndoAndSaysWhyInPlainWords)
{
    UnwritableTrash unwritable;
    if (!unwritable.refuses())
        GTEST_SKIP() << "root without chattr cannot make a Trash unwritable";
    m_controller.reset();
    m_cleanup->shutdown();
    openStore(makeSystemTrash());
    m_cleanup = std::make_unique<CleanupService>(*m_store);
    makeController();
    const RecordId id = showFile("report.pdf");
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return !m_controller->notice().text().isEmpty(); }));
    EXPECT_FALSE(m_controller->showsUndo());
    EXPECT_FALSE(m_controller->panel().isVisible()) << "the notice waits for the toast to go";
    EXPECT_EQ(m_controller->notice().text(),
              "Couldn't move “report.pdf” to the Trash: the Trash folder is not writable");
    ASSERT_TRUE(waitUntil([&] { return allInState({id}, FileState::dismissed); }));
    EXPECT_TRUE(QFileInfo::exists(at("report.pdf")));
}

TEST_F(ToastFixture, ActionsOnAnEmptyQueueDoNothing)
{
    QGuiApplication::clipboard()->setText("before");
    m_controller->markTemporary();
    m_controller->performOpen();
    m_controller->performCopy();
    m_controller->performDelete();
    drainQueued();
    EXPECT_TRUE(m_workspace->opened.isEmpty());
    EXPECT_TRUE(m_trash->requests().isEmpty());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 0);
    EXPECT_FALSE(m_controller->panel().isVisible());
}

// "Undo" is offered once the Trash has answered, and only on the toast of
// the files it took: a new file that took the toast meanwhile gets none.
TEST_F(ToastFixture, NoUndoBeforeTheTrashAnswersNorOnTheToastOfANewFile)
{
    QSemaphore answer;
    m_trash->beforeMove([&answer](const QString&) { answer.tryAcquire(1, 10000); });
    const RecordId first = showFile("first.bin");
    m_controller->performDelete();
    m_controller->undoDelete(); // nothing to take back yet
    EXPECT_FALSE(m_controller->showsUndo());
    const RecordId second = track("second.bin");
    m_controller->show(second); // takes the toast over
    ASSERT_TRUE(waitUntil([&] {
        const auto& queued = m_controller->toastEntries();
        return queued.size() == 1 && queued[0].id == second &&
               m_controller->state() == State::visible;
    }));
    answer.release();
    ASSERT_TRUE(waitUntil([&] { return !record(first); }));
    m_trash->beforeMove({});
    drainQueued();
    EXPECT_FALSE(m_controller->showsUndo());
    EXPECT_FALSE(QFile::exists(at("first.bin"))) << "nothing put back";
}

TEST_F(ToastFixture, UndoSaysSoWhenTheTrashDidNotTellWhereAFileWent)
{
    m_trash->withholdLocations();
    showFile("somewhere.bin");
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return m_controller->showsUndo(); }));
    m_controller->undoDelete();
    ASSERT_TRUE(waitUntil([&] { return m_controller->notice().text().contains("somewhere.bin"); }));
    EXPECT_TRUE(m_controller->notice().text().contains("restore it from the Trash"));
}
