// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"
#include "store/Tags.h"

#include <QElapsedTimer>
#include <QRegularExpression>

using ToastTest = ToastOnScreen;

TEST_F(ToastTest, ADownloadShowsTheToastAndMarkTemporaryWorksWithoutStealingFocus)
{
    QElapsedTimer clock;
    clock.start();
    const QString path = download("report.pdf");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)))
        << "no toast within 1 s";
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(activeWindow(), m_focusId);
    const QStringList windows = toastWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(runTool("xprop", {"-id", windows[0], "_NET_WM_DESKTOP"}).contains("4294967295"));

    // The island is drawn black across the top centre, the screen stays
    // visible beside it (no black box without a compositor).
    QImage one;
    EXPECT_TRUE(waitUntil([&] {
        one = screenshot("toast-one-file.png");
        // Settled: the body's left edge at 710, white beside it.
        return !one.isNull() && qGray(one.pixel(960, 40)) == 0 && qGray(one.pixel(714, 40)) == 0 &&
               qGray(one.pixel(705, 40)) > 200;
    }));

    download("archive.zip");
    // The stack badge shows in the icon's top-right corner.
    auto hasStackBadge = [](const QImage& image) {
        int accent = 0;
        for (int x = 760; x < 780; ++x)
            for (int y = 14; y < 34; ++y)
                accent += qBlue(image.pixel(x, y)) > 200 && qRed(image.pixel(x, y)) < 60;
        return accent > 30;
    };
    EXPECT_FALSE(hasStackBadge(one));
    EXPECT_TRUE(waitUntil([&] {
        const QImage two = screenshot("toast-two-files.png");
        return !two.isNull() && hasStackBadge(two);
    }));

    // Hover, then click "Mark temporary" (centred island, after the icon):
    // both queued files become temporary. A click before the hover registers
    // does nothing, so click until it takes.
    runTool("xdotool", {"mousemove", "770", "60", "mousemove", "810", "60"});
    ASSERT_TRUE(waitUntil([&] {
        runTool("xdotool", {"click", "1"});
        return recordState("report.pdf") == "temporary";
    }));
    EXPECT_EQ(recordState("archive.zip"), "temporary");
    EXPECT_TRUE(tags::readTags(path).contains(tags::programTag));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    EXPECT_EQ(activeWindow(), m_focusId);
}

TEST_F(ToastTest, TimeoutLeavesTheFileDismissed)
{
    download("ignored.iso");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)));
    EXPECT_EQ(recordState("ignored.iso"), "unprocessed");
    // A click on the toast window's transparent part reaches the window below.
    const QString before = focusEvents();
    runTool("xdotool", {"mousemove", "600", "110", "click", "1"});
    EXPECT_TRUE(
        waitUntil([&] { return focusEvents().mid(before.size()).contains("ButtonPress event"); }));
    // Seven seconds, then the collapse and the fade.
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }, std::chrono::seconds(10)));
    ASSERT_TRUE(waitUntil([&] { return recordState("ignored.iso") == "dismissed"; }));
    EXPECT_TRUE(QFile::exists(m_vantle->downloads() + "/ignored.iso"));
    EXPECT_EQ(activeWindow(), m_focusId);
}

// With Alt held over the island, the first badge reads "Custom time…": a
// typed lifetime marks the file and focus goes back to where the user was.
TEST_F(ToastTest, CustomTimeFromTheIslandWithAltHeld)
{
    download("slides.pdf");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)));
    ASSERT_TRUE(openPanelFrom("810", {"keydown", "alt"}));
    runTool("xdotool", {"keyup", "alt"});
    runTool("xdotool", {"type", "--delay", "40", "2h"});
    screenshot("custom-time-panel.png");
    runTool("xdotool", {"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return recordState("slides.pdf") == "temporary"; }));
    const double lifetime = m_vantle->text("SELECT expiresAt - markedTemporaryAt FROM TrackedFile")
                                .value_or("0")
                                .toDouble();
    EXPECT_NEAR(lifetime, 7200, 1);
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
}

// More, then "Delete" with the mouse: the file goes to the Trash at once.
TEST_F(ToastTest, DeleteFromTheMoreMenu)
{
    const QString path = download("old-invoice.pdf");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)));
    ASSERT_TRUE(openPanelFrom("1048"));
    const QString menu = activeWindow();
    const QString geometry = runTool("xdotool", {"getwindowgeometry", menu});
    const QRegularExpression position(QStringLiteral("Position: (\\d+),(\\d+)"));
    const auto match = position.match(geometry);
    ASSERT_TRUE(match.hasMatch()) << geometry.toStdString();
    const int x = match.captured(1).toInt() + 240;
    const int y = match.captured(2).toInt() + 8 + 3 * 35 + 16; // the fourth row
    screenshot("more-menu.png");
    runTool("xdotool", {"mousemove", QString::number(x), QString::number(y), "click", "1"});
    const QString trashed = m_vantle->home() + "/.local/share/Trash/files/old-invoice.pdf";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(trashed); }));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
}

// Move, a few letters of a folder's name, Return: the file is there, its
// record with it, and focus is back where the user was.
TEST_F(ToastTest, MoveToAFolderFoundByTyping)
{
    download("contract.pdf");
    ASSERT_TRUE(waitUntil([&] { return !toastWindows().isEmpty(); }, std::chrono::seconds(1)));
    ASSERT_TRUE(openPanelFrom("952"));
    runTool("xdotool", {"type", "--delay", "40", "proj alp"});
    screenshot("move-panel.png");
    runTool("xdotool", {"key", "Return"});
    const QString moved = m_vantle->home() + "/Projects/Alpha/contract.pdf";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(moved); }));
    // The record goes with the file out of Downloads.
    ASSERT_TRUE(waitUntil([&] { return m_vantle->count("fileName = 'contract.pdf'") == 0; }));
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
}
