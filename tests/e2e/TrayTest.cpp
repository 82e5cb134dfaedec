// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

namespace {

class TrayTest : public ToastOnScreen {
protected:
    void prepare(VantleProcess&) override { startTray(); }
};

} // namespace

TEST_F(TrayTest, TheIconDocksInTheTrayIsDrawnAndQuitsFromItsMenu)
{
    // The icon paints right after it docks; look until its dark disc shows
    // (trayer's panel is light grey). Qt may dock it again in a new window,
    // so it is looked up each time: import waits forever on a window gone.
    QString window;
    const QString shot = m_vantle->home() + "/icon.png";
    ASSERT_TRUE(waitUntil(
        [&] {
            if ((window = embeddedIconWindow()).isEmpty())
                return false;
            runTool("timeout", {"2", "import", "-window", window, shot});
            const QImage image(shot);
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    dark += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
            return dark > 100;
        },
        std::chrono::seconds(15)))
        << "the tray icon was not docked and drawn: "
        << runTool("xwininfo", {"-root", "-tree"}).toStdString();

    // "Quit Vantle" from the icon's context menu ends the program cleanly.
    runTool("xdotool", {"mousemove", "--window", window, "11", "11", "click", "3"});
    QString menu;
    ASSERT_TRUE(waitUntil([&] { return !(menu = windowsWhere(isMenu).value(0)).isEmpty(); }));
    // "Settings…" above "Quit Vantle": click the middle of the lower half.
    const QRect frame = frameOf(menu);
    runTool("xdotool", {"mousemove", "--window", menu, QString::number(frame.width() / 2),
                        QString::number(frame.height() * 3 / 4), "click", "1"});
    ASSERT_TRUE(m_process.waitForFinished(10000)) << "Quit Vantle did not end the program";
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
}
