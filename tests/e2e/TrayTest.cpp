// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

#include <QRegularExpression>

// The icon docks into a real XEmbed tray and shows the shipped download arrow.
TEST(TrayTest, TheIconDocksInTheTrayIsDrawnAndQuitsFromItsMenu)
{
    ASSERT_TRUE(VantleProcess::hasDisplay()) << "DISPLAY is not set; run scripts/test.sh";
    QProcess tray;
    tray.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request", "--height",
                          "24", "--transparent", "false", "--tint", "0x000000"});
    ASSERT_TRUE(tray.waitForStarted());
    VantleProcess vantle(testenv::freshFolder("tray-home"));
    QProcess process;
    vantle.start(process);
    const auto cleanUp = qScopeGuard([&] {
        process.terminate();
        process.waitForFinished(10000);
        tray.terminate();
        tray.waitForFinished(5000);
    });
    ASSERT_TRUE(process.waitForStarted());
    QString window;
    ASSERT_TRUE(waitUntil([&] { return !(window = embeddedIconWindow()).isEmpty(); },
                          std::chrono::seconds(15)))
        << runTool("xwininfo", {"-root", "-tree"}).toStdString();

    // The icon paints right after it docks; look until its dark disc shows
    // (trayer's panel is light grey). Qt may dock it again in a new window,
    // so it is looked up each time: import waits forever on a window gone.
    const QString shot = vantle.home() + "/icon.png";
    EXPECT_TRUE(waitUntil(
        [&] {
            window = embeddedIconWindow();
            runTool("timeout", {"2", "import", "-window", window, shot});
            const QImage image(shot);
            int dark = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    dark += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
            return dark > 100;
        },
        std::chrono::seconds(10)))
        << "the tray icon was not drawn";

    // "Quit Vantle" from the icon's context menu ends the program cleanly.
    runTool("xdotool", {"mousemove", "--window", window, "11", "11", "click", "3"});
    QString menu;
    // The menu is the program's one visible window besides the icon (its
    // panels exist, hidden, and must not be taken for it).
    ASSERT_TRUE(waitUntil([&] {
        const QStringList visible = runTool("xdotool", {"search", "--onlyvisible", "--pid",
                                                        QString::number(process.processId())})
                                        .split('\n', Qt::SkipEmptyParts);
        for (const QString& id : visible) {
            if (id.toULongLong() != window.toULongLong(nullptr, 16))
                menu = id;
        }
        return !menu.isEmpty();
    }));
    // "Settings…" above "Quit Vantle": click the middle of the lower half.
    const QString geometry = runTool("xdotool", {"getwindowgeometry", menu});
    const auto size = QRegularExpression("Geometry: (\\d+)x(\\d+)").match(geometry);
    ASSERT_TRUE(size.hasMatch()) << geometry.toStdString();
    runTool("xdotool",
            {"mousemove", "--window", menu, QString::number(size.captured(1).toInt() / 2),
             QString::number(size.captured(2).toInt() * 3 / 4), "click", "1"});
    ASSERT_TRUE(process.waitForFinished(10000)) << "Quit Vantle did not end the program";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}
