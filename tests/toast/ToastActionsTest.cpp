// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "store/Tags.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

using State = DynamicIslandToastState;

TEST_F(ToastFixture, MarkTemporaryMarksTagsAndSchedulesEveryQueuedFile)
{
    makeController();
    const RecordId a = addFile(QStringLiteral("a.pdf"));
    const RecordId b = addFile(QStringLiteral("b c.pdf"));
    showAndExpand(a);
    showAndExpand(b);
    m_controller->markTemporary();
    // The toast hides at once, without waiting for the store.
    EXPECT_EQ(m_controller->state(), State::hidden);
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("ToastController.markTemporary: ids=2 names=[\"a.pdf\", \"b c.pdf\"]")));
    ASSERT_TRUE(waitUntil([&] {
        return logcapture::count(
                   QStringLiteral("ToastController.markTemporary: scheduled cleanup for id=")) == 2;
    }));
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 2);
    for (RecordId id : {a, b}) {
        const auto r = record(id);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->state, FileState::temporary);
        ASSERT_TRUE(r->expiresAt);
        EXPECT_TRUE(tags::readTags(r->filePath).contains(tags::programTag));
        EXPECT_TRUE(logcapture::contains(
            QStringLiteral("ToastController.markTemporary: scheduled cleanup for id=") +
            id.description() + QStringLiteral(" at ") +
            r->expiresAt->toUTC().toString(Qt::ISODate)));
    }
    ASSERT_TRUE(waitUntilOffScreen());
}

TEST_F(ToastFixture, MarkTemporaryWithNothingQueuedDoesNothing)
{
    makeController();
    m_controller->markTemporary();
    EXPECT_EQ(logcapture::count(QStringLiteral("ToastController.markTemporary")), 0);
    EXPECT_FALSE(m_controller->panel().isVisible());
}

TEST_F(ToastFixture, OpenOpensInQueueOrderAndDismisses)
{
    makeController();
    const RecordId a = addFile(QStringLiteral("one.txt"));
    const RecordId b = addFile(QStringLiteral("two.txt"));
    showAndExpand(a);
    showAndExpand(b);
    m_controller->performOpen();
    EXPECT_EQ(m_controller->state(), State::hidden);
    EXPECT_EQ(m_workspace->opened(),
              (QStringList{m_downloads + "/one.txt", m_downloads + "/two.txt"}));
    EXPECT_TRUE(logcapture::contains(QStringLiteral(
        "ToastController.performOpen: opening 2 file(s) [\"one.txt\", \"two.txt\"]")));
    ASSERT_TRUE(waitUntil([&] {
        return record(a)->state == FileState::dismissed && record(b)->state == FileState::dismissed;
    }));
}

TEST_F(ToastFixture, CopyPutsTheFilesOnTheClipboardAndMarksThemTemporary)
{
    makeController();
    const RecordId a = addFile(QStringLiteral("ä b.txt"));
    const RecordId pathless = await(m_store->insertRecord(99993, QString(), "gone", 3));
    showAndExpand(a);
    showAndExpand(pathless);
    m_controller->performCopy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    const QString path = m_downloads + QStringLiteral("/ä b.txt");
    EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromLocalFile(path)});
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              "copy\n" + QUrl::fromLocalFile(path).toEncoded());
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("ToastController.performCopy: copied 1 file(s) [\"ä b.txt\", \"gone\"] — "
                       "marking temporary")));
    EXPECT_EQ(logcapture::count(QStringLiteral("ToastController.markTemporary: ids=2 names=")), 1);
    // The entry without a path is left off the clipboard but still marked.
    ASSERT_TRUE(waitUntil([&] {
        return record(a)->state == FileState::temporary &&
               record(pathless)->state == FileState::temporary;
    }));
}

TEST_F(ToastFixture, DeleteHidesAtOnceAndTrashesInTheBackground)
{
    makeController();
    const RecordId a = addFile(QStringLiteral("junk.bin"));
    showAndExpand(a);
    m_controller->performDelete();
    EXPECT_EQ(m_controller->state(), State::hidden);
    EXPECT_TRUE(logcapture::contains(
        QStringLiteral("ToastController.performDelete: trashing 1 file(s) [\"junk.bin\"]")));
    ASSERT_TRUE(waitUntil([&] { return !record(a).has_value(); }));
    ASSERT_TRUE(waitUntil([&] { return !QFileInfo::exists(m_downloads + "/junk.bin"); }));
    EXPECT_EQ(m_trash->requests(), QStringList{m_downloads + "/junk.bin"});
}

TEST_F(ToastFixture, ActionsOnAnEmptyQueueOnlyHide)
{
    makeController();
    m_controller->performOpen();
    m_controller->performCopy();
    m_controller->performDelete();
    EXPECT_TRUE(m_workspace->opened().isEmpty());
    EXPECT_EQ(logcapture::count(QStringLiteral("ToastController.")), 0);
    EXPECT_EQ(m_controller->state(), State::hidden);
}

TEST_F(ToastFixture, OptionHeldReachesTheIslandAndHideClearsIt)
{
    makeController();
    showAndExpand(addFile(QStringLiteral("a.pdf")));
    m_controller->setOptionHeld(true);
    EXPECT_TRUE(m_controller->host().inputs().isOptionHeld);
    m_controller->hide();
    EXPECT_FALSE(m_controller->isOptionHeld());
    EXPECT_FALSE(m_controller->host().inputs().isOptionHeld);
}
