// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

namespace {

class ProcessTest : public testing::Test {
protected:
    void SetUp() override
    {
        // End-to-end tests never skip: scripts/test.sh provides a display.
        ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
        m_vantle = std::make_unique<VantleProcess>(testenv::freshFolder("home"));
    }

    std::unique_ptr<VantleProcess> m_vantle;
};

} // namespace

TEST_F(ProcessTest, VersionNeedsNoDisplayAndAMissingDisplayIsOneLine)
{
    m_vantle->environment().remove("DISPLAY");
    m_vantle->environment().remove("WAYLAND_DISPLAY");
    EXPECT_EQ(m_vantle->run({"--version"}), 0);
    EXPECT_TRUE(m_vantle->out.startsWith("Vantle ")) << m_vantle->out.toStdString();
    EXPECT_EQ(m_vantle->run({"--frobnicate"}), 2);
    EXPECT_TRUE(m_vantle->err.contains("unknown option --frobnicate"));
    EXPECT_EQ(m_vantle->run({}), 1);
    EXPECT_TRUE(m_vantle->err.contains("needs a graphical session") &&
                m_vantle->err.count('\n') == 1)
        << m_vantle->err.toStdString();
    EXPECT_FALSE(QFile::exists(m_vantle->storeFile()));
    m_vantle->environment().insert("DISPLAY", ":4711");
    EXPECT_EQ(m_vantle->run({}), 1);
    EXPECT_EQ(m_vantle->err, "Vantle needs a graphical session: cannot open the display :4711\n");
}

// What a start records is StartupTest's; here a record only has to outlive a stop.
TEST_F(ProcessTest, OneInstanceRunsAndStopsCleanlyOnSignalsKeepingItsRecords)
{
    testenv::writeFile(m_vantle->downloads() + "/already-here.pdf");
    QProcess first;
    ASSERT_TRUE(m_vantle->launch(first)) << first.readAllStandardError().toStdString();
    ASSERT_TRUE(waitUntil([&] { return m_vantle->count("state='dismissed'") == 1; }));
    EXPECT_EQ(m_vantle->run({}), 0);
    EXPECT_EQ(m_vantle->err, "Vantle is already running\n");
    ::kill(pid_t(first.processId()), SIGTERM);
    expectCleanExit(first);
    EXPECT_EQ(m_vantle->count(), 1);
    // After a stop the lock is free again; SIGINT ends it just as cleanly.
    QProcess second;
    ASSERT_TRUE(m_vantle->launch(second));
    ::kill(pid_t(second.processId()), SIGINT);
    expectCleanExit(second);
}

TEST_F(ProcessTest, NeverRunsUnlockedOrWithoutItsStore)
{
    // The lock cannot be taken for another reason than a running instance.
    const QString lock = m_vantle->home() + "/runtime/vantle.lock";
    QDir().mkpath(lock);
    EXPECT_EQ(m_vantle->run({}), 1);
    EXPECT_TRUE(m_vantle->err.contains("cannot take its single-instance lock"))
        << m_vantle->err.toStdString();
    QDir().rmdir(lock);
    // A folder where the store file should be: the start stops with the reason.
    QDir().mkpath(m_vantle->storeFile());
    EXPECT_EQ(m_vantle->run({}), 1);
    EXPECT_TRUE(m_vantle->err.startsWith("Failed to create ModelContainer: ") &&
                m_vantle->err.size() > QString("Failed to create ModelContainer: \n").size())
        << m_vantle->err.toStdString();
}
