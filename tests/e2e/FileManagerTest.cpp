// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

// What a file manager's "Mark as Temporary for…" runs: the program's
// custom-time panel at the pointer, with the keyboard, which it gives back.
class FileManagerTest : public ToastOnScreen {
protected:
    void prepare(VantleProcess& vantle) override
    {
        testenv::writeFile(vantle.downloads() + "/report.pdf");
    }
    int askFor(const QString& path, const QString& keys)
    {
        runTool("xdotool", {"mousemove", "300", "500"});
        QProcess ask;
        ask.setProcessEnvironment(m_vantle->environment());
        ask.start(VantleProcess::binary(), {"mark", "--ask", "--notify", path});
        EXPECT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
        const QRect panel = frameOf(activeWindow());
        EXPECT_TRUE(panel.left() < 300 && panel.right() > 300 && std::abs(panel.top() - 512) < 40)
            << panel.x() << "," << panel.y();
        runTool("xdotool", {"type", "--delay", "40", keys});
        key(keys.isEmpty() ? "Escape" : "Return");
        EXPECT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
        ask.waitForFinished(10000);
        return ask.state() == QProcess::NotRunning ? ask.exitCode() : -1;
    }
};

TEST_F(FileManagerTest, MarkAskTakesTheTypedLifetimeEscapeNothingAndOutsideDownloadsSaysWhy)
{
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "dismissed"; }));
    const QString report = m_vantle->downloads() + "/report.pdf";
    EXPECT_EQ(askFor(report, ""), 1);
    EXPECT_EQ(recordState("report.pdf"), "dismissed");
    EXPECT_EQ(askFor(report, "2h"), 0);
    EXPECT_EQ(recordState("report.pdf"), "temporary");
    EXPECT_NEAR(m_vantle->text("SELECT expiresAt - markedTemporaryAt FROM TrackedFile")
                    .value_or("0")
                    .toDouble(),
                7200, 1);

    const QString outside = testenv::writeFile(m_vantle->home() + "/elsewhere.pdf");
    EXPECT_EQ(m_vantle->run({"mark", "--ask", outside}), 1);
    EXPECT_TRUE(m_vantle->err.contains("is not an item directly inside the Downloads folder"))
        << m_vantle->err.toStdString();
    EXPECT_EQ(activeWindow(), m_focusId);
}
