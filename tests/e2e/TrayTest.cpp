// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

#include <QSettings>

namespace {

// The parameter: QT_SCALE_FACTOR. At 1 the tray is there before the program, at 2 it comes after.
class TrayTest : public ToastOnScreen, public testing::WithParamInterface<const char*> {
protected:
    bool trayFirst() const { return GetParam() == std::string_view("1"); }
    void prepare(VantleProcess& vantle) override
    {
        vantle.environment().insert("QT_SCALE_FACTOR", GetParam());
        if (trayFirst())
            startTray();
    }
};

// The Exec line of an action of the desktop entry, as arguments of the program.
QStringList desktopAction(const QString& action)
{
    const QString exec =
        QSettings(VANTLE_SOURCE_DIR "/packaging/app.vantle.Vantle.desktop", QSettings::IniFormat)
            .value("Desktop Action " + action + "/Exec")
            .toString();
    EXPECT_TRUE(exec.startsWith("vantle"))
        << "no Exec=vantle in the action " << action.toStdString();
    return exec.mid(QString("vantle").size()).split(' ', Qt::SkipEmptyParts);
}

class NoTrayTest : public ToastOnScreen {
protected:
    // There before the start: listed among the ignored files.
    void prepare(VantleProcess& vantle) override
    {
        testenv::writeFile(vantle.downloads() + "/report.pdf");
    }
};

} // namespace

TEST_P(TrayTest, TheIconDocksInTheTrayFillsItsPlaceAndQuitsFromItsMenu)
{
    if (!trayFirst())
        startTray();
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
    // The size trays are made for, in the screen's pixels, whatever the scale.
    EXPECT_EQ(frameOf(window).size(), QSize(22, 22));
    // A left click opens the popover under the icon; Escape closes it.
    const auto click = [&] {
        runTool("xdotool", {"mousemove", "--window", window, "11", "11", "click", "1"});
    };
    click();
    if (!waitUntil([&] { return !popoverWindow().isEmpty(); }, std::chrono::seconds(3)))
        click(); // a click the tray took while it settled
    ASSERT_TRUE(waitUntil([&] { return !popoverWindow().isEmpty(); }));
    EXPECT_GT(frameOf(popoverWindow()).top(), frameOf(window).bottom());
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return popoverWindow().isEmpty(); }));
    // "Quit Vantle" from the icon's context menu ends the program cleanly.
    runTool("xdotool", {"mousemove", "--window", window, "11", "11", "click", "3"});
    QString menu;
    ASSERT_TRUE(waitUntil([&] { return !(menu = windowsWhere(isMenu).value(0)).isEmpty(); }));
    // "Settings…" above "Quit Vantle": click the middle of the lower half.
    const QRect frame = frameOf(menu);
    runTool("xdotool", {"mousemove", "--window", menu, QString::number(frame.width() / 2),
                        QString::number(frame.height() * 3 / 4), "click", "1"});
    expectCleanExit(m_process);
}

INSTANTIATE_TEST_SUITE_P(Scales, TrayTest, testing::Values("1", "2"));

// Without any tray the program can still be shown and quit: from the
// popover's settings, and through the desktop entry's actions. A row's menu
// acts on its file.
TEST_F(NoTrayTest, ThePopoverAndTheDesktopActionsShowAndQuitIt)
{
    EXPECT_EQ(m_vantle->run(desktopAction("show-downloads")), 0);
    QString popover;
    ASSERT_TRUE(waitUntil([&] { return !(popover = popoverWindow()).isEmpty(); }));
    const QPoint at = frameOf(popover).topLeft();
    const auto click = [&](int x, int y) {
        runTool("xdotool", {"mousemove", QString::number(at.x() + x), QString::number(at.y() + y),
                            "click", "1"});
    };
    // The ignored section's header below the popover's own, then "Mark as
    // temporary" from the menu of its first row.
    click(180, 60);
    click(360 - 16 - 15, 100);
    ASSERT_TRUE(waitUntil([&] { return !windowsWhere(isMenu).isEmpty(); }));
    runTool("xdotool", {"key", "--delay", "30", "Down", "Return"});
    ASSERT_TRUE(waitUntil([&] { return recordState("report.pdf") == "temporary"; }));
    click(360 - 16 - 10, 23);      // the gear
    click(16 + 30, 440 - 16 - 12); // "Quit Vantle", at the foot of the settings
    expectCleanExit(m_process);
    // The lock is free again; the "Quit" action stops the new one.
    QProcess second;
    ASSERT_TRUE(m_vantle->launch(second));
    EXPECT_EQ(m_vantle->run(desktopAction("quit")), 0) << m_vantle->err.toStdString();
    expectCleanExit(second);
}
