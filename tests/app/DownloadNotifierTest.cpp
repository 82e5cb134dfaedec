// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/DownloadNotifier.h"
#include "notify/NoTrayHint.h"

#include "BusFixture.h"
#include "RecordingNotificationServer.h"
#include "expiry/MarkTemporary.h"
#include <QTest>

// New downloads asked about through a notification server of the test's own,
// over a real store and the real expiry service.
class DownloadNotifierTest : public BusFixture {
protected:
    void start(QStringList capabilities)
    {
        m_server = std::make_unique<RecordingNotificationServer>(std::move(capabilities));
        m_notifier = std::make_unique<DownloadNotifier>(
            DownloadNotifier::Services{*m_actor, *m_cleanup, [this] { ++m_popoversShown; }},
            QDBusConnection::sessionBus());
    }

    // Waits for the server to show `summary`; the last notification shown.
    RecordingNotificationServer::Shown waitForShown(const QString& summary)
    {
        EXPECT_TRUE(waitUntil([&] {
            return !m_server->shown.empty() && m_server->shown.back().summary == summary;
        })) << summary.toStdString();
        return m_server->shown.empty() ? RecordingNotificationServer::Shown{}
                                       : m_server->shown.back();
    }

    std::unique_ptr<RecordingNotificationServer> m_server;
    std::unique_ptr<DownloadNotifier> m_notifier;
};

TEST_F(DownloadNotifierTest, FilesAnsweredInThePopoverLeaveItAndTheLastWithdrawsIt)
{
    start({"actions"});
    const RecordId kept = track("kept.zip");
    const RecordId marked = track("marked.iso");
    m_notifier->add(kept);
    m_notifier->add(marked);
    const auto both = waitForShown("2 new downloads");
    EXPECT_TRUE(both.actions.contains("Mark as Temporary") && both.actions.contains("Keep"));
    EXPECT_TRUE(both.body.contains("kept.zip") && both.body.contains("marked.iso"));
    // The popover's "Keep" and "Mark as temporary" call these; what is left
    // replaces the notification, never stacks (its own Mark: DunstNotificationTest).
    await(m_actor->keep(kept));
    const auto rest = waitForShown("New download");
    EXPECT_EQ(rest.replacesId, both.id);
    EXPECT_EQ(rest.body, "marked.iso");
    await(expiry::markTemporary(*m_actor, *m_cleanup, marked));
    EXPECT_TRUE(waitUntil([&] { return m_server->closed == std::vector<uint>{both.id}; }));
    EXPECT_EQ(m_notifier->notificationId(), 0u);
}

TEST_F(DownloadNotifierTest, AServerWithoutActionsGetsAPlainOneThatOpensThePopover)
{
    start({"body"});
    const RecordId id = track("notes.txt");
    m_notifier->add(id);
    const auto plain = waitForShown("New download");
    EXPECT_EQ(plain.actions, QStringList({"default", "Show Downloads"}));

    m_server->click(plain.id, "default");
    EXPECT_TRUE(waitUntil([&] { return m_popoversShown == 1; }));
    // Seen, unanswered: kept, as when the toast's countdown ends.
    EXPECT_TRUE(waitUntil([&] { return record(id) && record(id)->state == FileState::dismissed; }));
}

TEST_F(DownloadNotifierTest, WithoutATrayTheWayToTheListIsToldOncePerInstall)
{
    start({"body"});
    const auto noTray = [] { return false; };
    {
        NoTrayHint first(noTray, QDBusConnection::sessionBus(), std::chrono::milliseconds(0));
        bool told = false;
        QObject::connect(&first, &NoTrayHint::done, [&] { told = true; });
        ASSERT_TRUE(waitUntil([&] { return told; }));
    }
    // A later start says nothing: a notification raised after it is the next thing shown.
    NoTrayHint second(noTray, QDBusConnection::sessionBus(), std::chrono::milliseconds(0));
    m_notifier->add(track("later.txt"));
    waitForShown("New download");
    ASSERT_EQ(m_server->shown.size(), 2u);
    EXPECT_EQ(m_server->shown[0].body, NoTrayHint::text);
}
