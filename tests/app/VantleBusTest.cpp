// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusFixture.h"

#include <QDir>

using VantleBusTest = BusFixture;

namespace bus {
void PrintTo(const Record& record, std::ostream* os)
{
    *os << '(' << record.path.toStdString() << ", " << record.state.toStdString() << ", "
        << record.expires.toStdString() << ')';
}
} // namespace bus

namespace {

QDateTime expiryOf(const QDBusMessage& reply)
{
    return QDateTime::fromString(reply.arguments().value(0).toString(), Qt::ISODate);
}

// Within a minute of `seconds` from now.
bool isAbout(const QDateTime& at, qint64 seconds)
{
    return at.isValid() && at.timeSpec() == Qt::UTC &&
           std::abs(QDateTime::currentDateTimeUtc().secsTo(at) - seconds) < 60;
}

} // namespace

TEST_F(VantleBusTest, ListGivesEveryRecordWithItsStateAndExpiry)
{
    track("kept.txt");
    const RecordId temporary = track("report.pdf");
    await(m_actor->markTemporary(temporary, 3600));
    const QDBusMessage reply = privatebus::call("List");
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(reply.signature(), "a(sss)");
    auto records = qdbus_cast<QList<bus::Record>>(reply.arguments().value(0));
    std::sort(records.begin(), records.end(),
              [](const bus::Record& a, const bus::Record& b) { return a.path < b.path; });
    const QString expires = record(temporary)->expiresAt->toUTC().toString(Qt::ISODate);
    EXPECT_EQ(records, (QList<bus::Record>{{at("kept.txt"), "unprocessed", ""},
                                           {at("report.pdf"), "temporary", expires}}));
}

TEST_F(VantleBusTest, MarkKeepAndTrashActOnTheRecordAndChangedFollows)
{
    const RecordId id = track("report.pdf");
    SignalCounter changed;
    ASSERT_TRUE(privatebus::client().connect(bus::serviceName, bus::objectPath, bus::interfaceName,
                                             "Changed", &changed, SLOT(received())));
    settle();
    changed.count = 0;

    QDBusMessage reply = privatebus::call("Mark", {at("report.pdf"), "2h"});
    EXPECT_TRUE(isAbout(expiryOf(reply), 7200)) << reply.errorMessage().toStdString();
    EXPECT_EQ(record(id)->state, FileState::temporary);
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 1);
    EXPECT_TRUE(waitUntil([&] { return changed.count > 0; }));

    // No duration: the default lifetime. A path relative to Downloads names the same item.
    reply = privatebus::call("Mark", {"report.pdf", ""});
    EXPECT_TRUE(isAbout(expiryOf(reply), 3600)) << reply.errorMessage().toStdString();

    EXPECT_EQ(errorName(privatebus::call("Mark", {at("report.pdf"), "whenever"})),
              bus::errorInvalidDuration);
    EXPECT_TRUE(isAbout(*record(id)->expiresAt, 3600));

    EXPECT_EQ(errorName(privatebus::call("Keep", {m_downloads + "/./report.pdf"})), "");
    EXPECT_EQ(record(id)->state, FileState::dismissed);

    EXPECT_EQ(errorName(privatebus::call("Trash", {at("report.pdf")})), "");
    EXPECT_FALSE(QFile::exists(at("report.pdf")));
    EXPECT_EQ(m_trash->requests(), QStringList{at("report.pdf")});
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
    const auto before = records();

    const QString paths[] = {"../x",           m_downloads + "/../x", "/etc/passwd", nested,
                             "sub/inside.txt", at("untracked.txt"),   m_downloads,   ""};
    for (const QString& path : paths) {
        for (const QVariantList& call : {QVariantList{"Mark", path, "2h"},
                                         QVariantList{"Keep", path}, QVariantList{"Trash", path}}) {
            const QDBusMessage reply = privatebus::call(call[0].toString(), call.mid(1));
            EXPECT_EQ(errorName(reply), bus::errorNotTracked)
                << call[0].toString().toStdString() << " " << path.toStdString();
            EXPECT_TRUE(reply.errorMessage().contains(path)) << reply.errorMessage().toStdString();
        }
    }
    EXPECT_TRUE(m_trash->requests().isEmpty());
    EXPECT_TRUE(QFile::exists(outside) && QFile::exists(nested));
    const auto after = records();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].state, FileState::unprocessed) << after[i].filePath.toStdString();
    EXPECT_EQ(await(m_cleanup->scheduledCount()), 0);
}

TEST_F(VantleBusTest, ATrashThatRefusesIsAnErrorAndTheFileAndRecordStay)
{
    const RecordId id = track("keep me.txt");
    m_trash->failWith("no space left");
    const QDBusMessage reply = privatebus::call("Trash", {at("keep me.txt")});
    EXPECT_EQ(errorName(reply), bus::errorFailed);
    EXPECT_TRUE(reply.errorMessage().contains("no space left"));
    EXPECT_TRUE(QFile::exists(at("keep me.txt")));
    EXPECT_TRUE(record(id));
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
        m_actor->dismiss(id).waitForFinished();
    ASSERT_TRUE(waitUntil([&] { return changed.count > 0; }));
    settle();
    EXPECT_EQ(changed.count, 1);
}

TEST_F(VantleBusTest, RestoreAnswersThroughItsFunctionAndShowPopoverOpensIt)
{
    QDBusMessage reply = privatebus::call("Restore", {"a.txt"});
    EXPECT_EQ(errorName(reply), bus::errorNotAvailable);
    EXPECT_EQ(reply.errorMessage(), "Restoring is not available");

    publish([this](const QString& name) {
        return QtFuture::makeReadyFuture(name == "a.txt" ? std::optional(at(name))
                                                         : std::optional<QString>());
    });
    reply = privatebus::call("Restore", {"a.txt"});
    EXPECT_EQ(reply.arguments().value(0).toString(), at("a.txt"));
    EXPECT_EQ(errorName(privatebus::call("Restore", {"b.txt"})), bus::errorNotFound);

    EXPECT_EQ(errorName(privatebus::call("ShowPopover")), "");
    EXPECT_EQ(m_popoversShown, 1);

    // Another program cannot take the name, and the first still answers.
    {
        QDBusConnection other = QDBusConnection::connectToBus(privatebus::address(), "other");
        VantleBus second({*m_actor, *m_cleanup, {}, {}});
        QString error;
        EXPECT_FALSE(second.publish(other, &error));
        EXPECT_EQ(error, "the name app.vantle.Vantle is taken");
        EXPECT_TRUE(other.objectRegisteredAt(bus::objectPath) == nullptr);
    }
    QDBusConnection::disconnectFromBus("other");
    EXPECT_EQ(errorName(privatebus::call("ShowPopover")), "");
    EXPECT_EQ(m_popoversShown, 2);
}
