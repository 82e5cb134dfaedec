// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "store/Tags.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSemaphore>
#include <QUrl>

using State = DynamicIslandToastState;

TEST_F(ToastFixture, MarkTemporaryMarksTagsAndSchedulesEveryQueuedFile)
{
    const RecordId a = showFile("a.pdf");
    const RecordId b = showFile("b c.pdf");
    m_controller->markTemporary();
    EXPECT_EQ(m_controller->state(), State::hidden); // at once, without waiting for the store
    ASSERT_TRUE(waitUntil([&] { return await(m_cleanup->scheduledCount()) == 2; }));
    ASSERT_TRUE(allInState({a, b}, FileState::temporary));
    for (RecordId id : {a, b})
        EXPECT_TRUE(tags::readTags(record(id)->filePath).contains(tags::programTag));
    ASSERT_TRUE(waitUntilOffScreen());
}

TEST_F(ToastFixture, OpenOpensInQueueOrderAndDismisses)
{
    const RecordId a = showFile("one.txt");
    const RecordId b = showFile("two.txt");
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

TEST_F(ToastFixture, AfterADeleteTheToastOffersUndoAndUndoBringsTheFilesBack)
{
    // The fake Trash keeps "N-name": the way back strips the number.
    m_restore = [this](const QString& location) {
        const QString path = m_downloads + '/' + location.section('/', -1).section('-', 1);
        const auto error = m_trash->putBack(location, path);
        return QtFuture::makeReadyFuture(error ? RestoreOutcome{{}, *error} : RestoreOutcome{path});
    };
    makeController();
    const RecordId a = showFile("junk.bin");
    const RecordId b = showFile("old.iso");
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return !record(a) && !record(b); }));
    EXPECT_EQ(m_controller->state(), State::visible) << "the toast stays to offer Undo";
    EXPECT_TRUE(m_controller->host().inputs().showsUndo);
    m_controller->markTemporary(); // nothing but Undo acts on trashed files
    m_controller->undoDelete();
    ASSERT_TRUE(waitUntilOffScreen());
    EXPECT_TRUE(QFileInfo::exists(at("junk.bin")));
    EXPECT_TRUE(QFileInfo::exists(at("old.iso")));
}

// That the file and its record stay is the store's to keep (RecordTrashTest).
TEST_F(ToastFixture, ADeleteTheTrashRefusesSaysWhyOnceTheToastHasGone)
{
    m_trash->failWith(QStringLiteral("Trash is on another device"));
    showFile("keep.bin");
    m_controller->performDelete();
    EXPECT_EQ(m_controller->state(), State::hidden); // at once: the Trash answers later
    ASSERT_TRUE(waitUntil([&] { return !m_controller->notice().text().isEmpty(); }));
    EXPECT_FALSE(m_controller->panel().isVisible()) << "the notice waits for the toast to go";
    EXPECT_TRUE(m_controller->notice().text().contains("keep.bin"));
    EXPECT_TRUE(m_controller->notice().text().contains("Trash is on another device"));
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

// An Undo belongs to the delete it was offered for, whatever the toast shows
// by the time the Trash answers.
TEST_F(ToastFixture, AnUndoFasterThanTheTrashIsCarriedOutAfterANewFileTookTheToastAndGoesNoFurther)
{
    auto restored = std::make_shared<QStringList>();
    m_restore = [this, restored](const QString& location) {
        const QString path = m_downloads + '/' + location.section('/', -1).section('-', 1);
        restored->append(path);
        const auto error = m_trash->putBack(location, path);
        return QtFuture::makeReadyFuture(error ? RestoreOutcome{{}, *error} : RestoreOutcome{path});
    };
    makeController();
    QSemaphore answer;
    m_trash->beforeMove([&answer](const QString&) { answer.tryAcquire(1, 10000); });
    const RecordId first = showFile("first.bin");
    m_controller->performDelete();
    m_controller->undoDelete(); // before the Trash has answered
    const RecordId second = track("second.bin");
    m_controller->show(second); // takes the toast over
    ASSERT_TRUE(waitUntil([&] {
        const auto& queued = m_controller->toastEntries();
        return queued.size() == 1 && queued[0].id == second && !m_controller->showsUndo() &&
               m_controller->state() == State::visible;
    }));
    answer.release();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(at("first.bin")) && !record(first); }));
    EXPECT_EQ(*restored, QStringList{at("first.bin")});

    // The new toast starts without an Undo of its own: its delete stays done.
    answer.release();
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return !record(second) && m_controller->showsUndo(); }));
    m_trash->beforeMove({});
    drainQueued();
    m_controller->dismissAll();
    ASSERT_TRUE(waitUntilOffScreen());
    EXPECT_FALSE(QFile::exists(at("second.bin")));
    EXPECT_EQ(*restored, QStringList{at("first.bin")});
}

TEST_F(ToastFixture, UndoSaysSoWhenTheTrashDidNotTellWhereAFileWent)
{
    m_restore = [](const QString&) { return QtFuture::makeReadyFuture(RestoreOutcome{}); };
    makeController();
    m_trash->withholdLocations();
    showFile("somewhere.bin");
    m_controller->performDelete();
    ASSERT_TRUE(waitUntil([&] { return m_trash->requests().size() == 1; }));
    drainQueued();
    m_controller->undoDelete();
    ASSERT_TRUE(waitUntil([&] { return m_controller->notice().text().contains("somewhere.bin"); }));
    EXPECT_TRUE(m_controller->notice().text().contains("restore it from the Trash"));
}
