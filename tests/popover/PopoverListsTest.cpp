// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoreFixture.h"
#include "expiry/CleanupService.h"
#include "expiry/MarkTemporary.h"
#include "platform/Xattr.h"
#include "popover/PopoverModel.h"
#include "popover/RecentlyTrashed.h"

#include <QSemaphore>

namespace {

TrackedFile file(const char* name, FileState state, std::optional<int> expiresIn = {})
{
    TrackedFile f;
    f.fileName = QString::fromLatin1(name);
    f.filePath = QStringLiteral("/d/") + f.fileName;
    f.state = state;
    if (expiresIn)
        f.expiresAt = QDateTime(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC).addSecs(*expiresIn);
    return f;
}

QStringList names(const std::vector<TrackedFile>& files)
{
    return textsOf(files, [](const TrackedFile& f) { return f.fileName; });
}

} // namespace

TEST(PopoverLists, TemporaryBySoonestExpiryTiesKeepTheirOrderAndNoExpiryComesLast)
{
    using S = FileState;
    // Newest detection first, as the store hands them over.
    const std::vector<TrackedFile> records{
        file("none", S::temporary),        file("late", S::temporary, 300),
        file("tie-new", S::temporary, 60), file("waiting", S::unprocessed),
        file("tie-old", S::temporary, 60), file("soon", S::temporary, 10),
        file("kept", S::dismissed)};
    const auto lists = popoverlists::derive(records, [](const TrackedFile&) { return true; });
    EXPECT_EQ(names(lists.temporaryFiles),
              (QStringList{"soon", "tie-new", "tie-old", "late", "none"}));
    EXPECT_EQ(names(lists.ignoredFiles), QStringList{"kept"});
    EXPECT_EQ(lists.recordCount, 7);
}

// The model on a real store and real files in Downloads.
class PopoverModelTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        m_now = QDateTime(); // the wall clock, as the cleanup service's deadlines use
        m_cleanup = std::make_unique<CleanupService>(*m_store);
        m_model = std::make_unique<PopoverModel>(*m_store, *m_cleanup);
    }
    void TearDown() override
    {
        m_cleanup->shutdown();
        stopStore();
        m_model.reset();
        StoreFixture::TearDown();
    }
    RecordId kept(const QString& name)
    {
        const RecordId id = track(name);
        await(m_store->keep(id));
        return id;
    }
    bool listsShow(const std::function<bool(const PopoverLists&)>& done)
    {
        return waitUntil([&] { return m_model->hasRead() && done(m_model->lists()); });
    }

    std::unique_ptr<CleanupService> m_cleanup;
    std::unique_ptr<PopoverModel> m_model;
};

TEST_F(PopoverModelTest, OnlyKeptItemsStillInPlaceDirectlyInsideDownloadsAreListed)
{
    kept("report.pdf");
    kept("movie.mkv.crdownload"); // a name the watcher's rules ignore
    QDir().mkpath(at("sub"));
    const QString inner = testenv::writeFile(at("sub/inner.txt"));
    await(m_store->keep(insert(inner, inodeOf(inner))));
    // A file gone, and a path that now holds another file (made last, so
    // that no record takes a freed inode).
    kept("gone.zip");
    kept("replaced.txt");
    QFile::remove(at("gone.zip"));
    moveOver(testenv::writeFile(at("replacement"), "another"), at("replaced.txt"));
    m_model->reload();
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.recordCount == 5; }))
        << m_model->lists().logLine.toStdString();
    EXPECT_EQ(names(m_model->lists().ignoredFiles), QStringList{"report.pdf"});
}

TEST_F(PopoverModelTest, WhileFollowingTheListsTrackTheStoreAndTheButtonsActOnIt)
{
    const RecordId a = kept("a.pdf"), b = kept("b.pdf");
    m_model->setFollowing(true);
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.ignoredFiles.size() == 2; }));
    // Marked elsewhere (the toast): the list follows.
    await(m_store->markTemporary(a));
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.temporaryFiles.size() == 1; }))
        << m_model->reads() << " " << m_model->lists().logLine.toStdString();
    m_model->markTemporary(b);
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.temporaryFiles.size() == 2; }));
    EXPECT_TRUE(waitUntil([&] { return await(m_cleanup->scheduledCount()) == 1; }));
    m_model->keepAll();
    ASSERT_TRUE(listsShow([](const PopoverLists& l) {
        return l.temporaryFiles.empty() && l.ignoredFiles.size() == 2;
    }));
    m_model->deleteNow(a);
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.ignoredFiles.size() == 1; }));
    EXPECT_EQ(m_trash->requests(), QStringList{at("a.pdf")});
    // Closed: saves bring no reads.
    m_model->setFollowing(false);
    const int reads = m_model->reads();
    await(m_store->markTemporary(b));
    await(m_store->save());
    QCoreApplication::processEvents();
    EXPECT_EQ(m_model->reads(), reads);
}

TEST_F(PopoverModelTest, OneMoreHourKeepsAFileThatWasDueAndTheListSaysWhereItCameFrom)
{
    const RecordId id = track("slides.pdf");
    ASSERT_TRUE(xattr::set(at("slides.pdf"), "user.xdg.origin.url",
                           "https://talks.example.com/slides.pdf"));
    const QDateTime due = *await(expiry::markTemporary(*m_store, *m_cleanup, id, 1.0));
    m_model->extendExpiry(id, 3600);
    ASSERT_TRUE(waitUntil([&] {
        const auto r = record(id);
        return r && r->expiresAt && *r->expiresAt >= due.addSecs(3599);
    }));
    // Past the first deadline: the file is still there, still temporary.
    ASSERT_TRUE(waitUntil([&] { return QDateTime::currentDateTimeUtc() > due.addMSecs(500); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(QFile::exists(at("slides.pdf")));
    EXPECT_EQ(record(id)->state, FileState::temporary);
    m_model->reload();
    ASSERT_TRUE(listsShow([&](const PopoverLists& l) { return l.origins.contains(id); }));
    EXPECT_EQ(m_model->lists().origins.value(id).host(), "talks.example.com");
}

// Refused at its expiry, the file stays listed with the reason; refused when
// the user asked, its row says why until the popover closes.
TEST_F(PopoverModelTest, WhatTheTrashRefusedStaysListedWithTheReason)
{
    const RecordId due = track("locked.pdf"), pinned = track("pinned.pdf");
    await(expiry::markTemporary(*m_store, *m_cleanup, pinned, 3600));
    m_trash->failWith("Trash is full");
    m_model->setFollowing(true);
    await(expiry::markTemporary(*m_store, *m_cleanup, due, 0.05));
    m_model->deleteNow(pinned);
    ASSERT_TRUE(listsShow([&](const PopoverLists& l) {
        return l.trashRefusals.value(due).contains("Trash is full") &&
               l.actionFailures.value(pinned).contains("Trash is full");
    })) << m_model->lists().logLine.toStdString();
    EXPECT_EQ(names(m_model->lists().temporaryFiles), (QStringList{"locked.pdf", "pinned.pdf"}));
    EXPECT_EQ(record(pinned).value_or(TrackedFile{}).state, FileState::temporary)
        << "the record stays";
    m_model->setFollowing(false);
    m_model->setFollowing(true);
    ASSERT_TRUE(listsShow([&](const PopoverLists& l) { return l.actionFailures.isEmpty(); }));
}

// A restore saves the file's record as kept before the file is back: the read
// that save brings finds nothing yet, and the file's arrival brings another.
TEST_F(PopoverModelTest, AFileBackFromTheTrashIsListedOnceItIsThere)
{
    RecentlyTrashed trashed(*m_store);
    m_model = std::make_unique<PopoverModel>(*m_store, *m_cleanup, &trashed);
    int finished = 0;
    QObject::connect(m_model.get(), &PopoverModel::listsChanged, [&] { ++finished; });
    // Every read asked for so far has ended: no earlier read can answer for a later one.
    const auto settled = [&] { return finished >= m_model->reads(); };
    m_model->setFollowing(true);
    const RecordId id = kept("back.pdf");
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.ignoredFiles.size() == 1; }));
    const auto result = await(m_store->deleteNow(id));
    ASSERT_EQ(result.outcome, RecordTrash::Outcome::trashed);
    ASSERT_TRUE(listsShow([](const PopoverLists& l) { return l.ignoredFiles.empty(); }));
    ASSERT_TRUE(waitUntil(settled));
    QSemaphore back;
    std::atomic<bool> waiting = false;
    const int before = m_model->reads();
    m_trash->beforePutBack([&](const QString&) {
        waiting = true;
        back.tryAcquire(1, 10000);
    });
    const QFuture<RestoreOutcome> restored = trashed.restore(result.location);
    // The record is saved and the file not back yet: that save's read ends first.
    ASSERT_TRUE(waitUntil([&] { return waiting.load(); }));
    QCoreApplication::processEvents();
    ASSERT_TRUE(waitUntil([&] { return m_model->reads() > before && settled(); }));
    EXPECT_TRUE(m_model->lists().ignoredFiles.empty());
    back.release();
    ASSERT_TRUE(await(restored).restored());
    EXPECT_TRUE(listsShow([](const PopoverLists& l) { return l.ignoredFiles.size() == 1; }));
    m_trash->beforePutBack({});
    trashed.shutdown();
}
