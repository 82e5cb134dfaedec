// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusFixture.h"

#include <QDir>

using VantleBusTest = BusFixture;

namespace {

// Within a minute of `seconds` from now.
bool isAbout(const QDateTime& at, qint64 seconds)
{
    return at.isValid() && at.timeSpec() == Qt::UTC &&
           std::abs(QDateTime::currentDateTimeUtc().secsTo(at) - seconds) < 60;
}
// The expiry a Mark answered with.
bool answersAbout(const QDBusMessage& reply, qint64 seconds)
{
    return isAbout(QDateTime::fromString(reply.arguments().value(0).toString(), Qt::ISODate),
                   seconds);
}

} // namespace

TEST_F(VantleBusTest, MarkKeepAndTrashActOnTheRecord)
{
    const RecordId id = track("report.pdf");
    QDBusMessage reply = privatebus::call("Mark", {at("report.pdf"), "2h"});
    EXPECT_TRUE(answersAbout(reply, 7200)) << reply.errorMessage().toStdString();
    EXPECT_EQ(record(id)->state, FileState::temporary);
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 1);
    // No duration: the default lifetime. A path relative to Downloads names the same item.
    EXPECT_TRUE(answersAbout(privatebus::call("Mark", {"report.pdf", ""}), 3600));
    EXPECT_EQ(privatebus::call("Mark", {at("report.pdf"), "whenever"}).errorName(),
              bus::errorInvalidDuration);
    EXPECT_TRUE(isAbout(*record(id)->expiresAt, 3600));
    EXPECT_EQ(privatebus::call("Keep", {m_downloads + "/./report.pdf"}).errorName(), "");
    EXPECT_EQ(record(id)->state, FileState::dismissed);
    // A Trash that refuses is an error, and the file and its record stay.
    m_trash->failWith("no space left");
    reply = privatebus::call("Trash", {at("report.pdf")});
    EXPECT_EQ(reply.errorName(), bus::errorFailed);
    EXPECT_TRUE(reply.errorMessage().contains("no space left"));
    EXPECT_TRUE(QFile::exists(at("report.pdf")) && record(id));
    m_trash->failWith({});
    EXPECT_EQ(privatebus::call("Trash", {at("report.pdf")}).errorName(), "");
    EXPECT_FALSE(QFile::exists(at("report.pdf")));
    EXPECT_EQ(m_trash->requests(), QStringList(2, at("report.pdf")));
    EXPECT_TRUE(waitUntil([&] { return !record(id); }));
}

TEST_F(VantleBusTest, PathsOutsideDownloadsOrWithoutARecordAreRefusedAndUntouched)
{
    // Records outside Downloads prove that the path is refused, not just unknown.
    const QString outside = testenv::writeFile(testenv::home() + "/x");
    insert(outside, inodeOf(outside));
    QDir().mkpath(at("sub"));
    const QString nested = testenv::writeFile(at("sub/inside.txt"));
    insert(nested, inodeOf(nested));
    testenv::writeFile(at("untracked.txt"));
    const QString paths[] = {"../x",           m_downloads + "/../x", "/etc/passwd", nested,
                             "sub/inside.txt", at("untracked.txt"),   m_downloads,   ""};
    for (const QString& path : paths) {
        for (const QVariantList& call : {QVariantList{"Mark", path, "2h"},
                                         QVariantList{"Keep", path}, QVariantList{"Trash", path}}) {
            const QDBusMessage reply = privatebus::call(call[0].toString(), call.mid(1));
            EXPECT_EQ(reply.errorName(), bus::errorNotTracked)
                << call[0].toString().toStdString() << " " << path.toStdString();
            EXPECT_TRUE(reply.errorMessage().contains(path)) << reply.errorMessage().toStdString();
        }
    }
    EXPECT_TRUE(m_trash->requests().isEmpty());
    EXPECT_TRUE(QFile::exists(outside) && QFile::exists(nested));
    EXPECT_EQ(records().size(), 2u);
    for (const TrackedFile& r : records())
        EXPECT_EQ(r.state, FileState::unprocessed) << r.filePath.toStdString();
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 0);
}

TEST_F(VantleBusTest, ManySavesInOnePassGiveOneChangedSignal)
{
    const RecordId ids[] = {track("a"), track("b"), track("c")};
    SignalCounter changed;
    ASSERT_TRUE(privatebus::client().connect(bus::serviceName, bus::objectPath, bus::interfaceName,
                                             "Changed", &changed, SLOT(received())));
    settle();
    changed.count = 0;
    // Waiting without serving events puts all three saves' notices in one pass.
    for (const RecordId id : ids)
        m_actor->keep(id).waitForFinished();
    ASSERT_TRUE(waitUntil([&] { return changed.count > 0; }));
    settle();
    EXPECT_EQ(changed.count, 1);
}

TEST_F(VantleBusTest, RestoreAnswersThroughItsFunctionAndShowPopoverOpensIt)
{
    EXPECT_EQ(privatebus::call("Restore", {"a.txt"}).errorName(), bus::errorNotAvailable);
    publish([this](const QString& name) {
        return QtFuture::makeReadyFuture(
            name == "a.txt"   ? RestoreOutcome{at(name)}
            : name == "b.txt" ? RestoreOutcome{{}, "it is no longer in the Trash", true}
                              : RestoreOutcome{{}, "Downloads is read-only"});
    });
    EXPECT_EQ(privatebus::call("Restore", {"a.txt"}).arguments().value(0).toString(), at("a.txt"));
    EXPECT_EQ(privatebus::call("Restore", {"b.txt"}).errorName(), bus::errorNotFound);
    const QDBusMessage failed = privatebus::call("Restore", {"c.txt"});
    EXPECT_EQ(failed.errorName(), bus::errorFailed);
    EXPECT_TRUE(failed.errorMessage().contains("Downloads is read-only"));
    EXPECT_EQ(privatebus::call("ShowPopover").errorName(), "");
    EXPECT_EQ(m_popoversShown, 1);
    // Another program cannot take the name, and the first still answers.
    {
        QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
        VantleBus second({*m_actor, *m_cleanup, {}, {}});
        QString error;
        EXPECT_FALSE(second.publish(other, &error));
        EXPECT_TRUE(other.objectRegisteredAt(bus::objectPath) == nullptr);
    }
    QDBusConnection::disconnectFromBus("other");
    EXPECT_EQ(privatebus::call("ShowPopover").errorName(), "");
    EXPECT_EQ(m_popoversShown, 2);
}
