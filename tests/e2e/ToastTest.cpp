// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastOnScreen.h"

using ToastTest = ToastOnScreen;

TEST_F(ToastTest, ADownloadShowsTheToastAndMarkTemporaryWorksWithoutStealingFocus)
{
    download("report.pdf");
    EXPECT_EQ(activeWindow(), m_focusId);
    const QStringList windows = toastWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(runTool("xprop", {"-id", windows[0], "_NET_WM_DESKTOP"}).contains("4294967295"));
    const QImage one = expandedIsland();
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
        const QImage two = screenshot();
        return !two.isNull() && hasStackBadge(two);
    }));
    // Hover, then click "Mark temporary" (centred island, after the icon); that
    // it takes every queued file and tags them is ToastActionsTest's. A click
    // before the hover registers does nothing, so click until it takes.
    runTool("xdotool", {"mousemove", "770", "60", "mousemove", "810", "60"});
    ASSERT_TRUE(waitUntil([&] {
        runTool("xdotool", {"click", "1"});
        return recordState("report.pdf") == "temporary";
    }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    EXPECT_EQ(activeWindow(), m_focusId);
}

// Alt is not taken from the application below; while held, the first badge reads "Custom time…".
TEST_F(ToastTest, HoldingAltSwapsTheFirstBadgeForACustomTime)
{
    download("slides.pdf");
    const QRect badge(780, 44, 160, 32);
    const QImage before = settled(badge);
    runTool("xdotool", {"keydown", "alt"});
    const bool swapped = waitUntil([&] { return screenshot().copy(badge) != before; });
    runTool("xdotool", {"keyup", "alt"});
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(waitUntil([&] { return screenshot().copy(badge) == before; }));
    EXPECT_TRUE(seesPresses("Alt_L", 1));
    ASSERT_TRUE(openPanelFrom(0, {"keydown", "alt"}));
    const int emptyPanel = frameOf(activeWindow()).height();
    runTool("xdotool", {"keyup", "alt"});
    runTool("xdotool", {"type", "--delay", "40", "2h"});
    key("Return");
    ASSERT_TRUE(waitUntil([&] { return recordState("slides.pdf") == "temporary"; }));
    const double lifetime = m_vantle->text("SELECT expiresAt - markedTemporaryAt FROM TrackedFile")
                                .value_or("0")
                                .toDouble();
    EXPECT_NEAR(lifetime, 7200, 1);
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    // Alt pressed for the custom-time shortcut and let go in its panel: the
    // badge reads "Mark temporary" again once the panel closes. The panel,
    // last closed with a result row, opens at its empty height. The pointer
    // leaves the badge it clicked, whose hover and tooltip would show.
    runTool("xdotool", {"mousemove", "10", "700"});
    download("handout.pdf");
    ASSERT_TRUE(waitUntil([&] { return screenshot().copy(badge) == before; }));
    key("super+shift+alt+t");
    ASSERT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
    EXPECT_TRUE(waitUntil([&] { return frameOf(activeWindow()).height() == emptyPanel; }));
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    EXPECT_TRUE(waitUntil([&] { return screenshot().copy(badge) == before; }));
}

TEST_F(ToastTest, ShareAndDeleteThenDeleteFromTheMoreMenu)
{
    // By the arrows and Return: the picker stays up over the menu until a
    // way to share is chosen, and the file is then marked temporary.
    download("minutes.odt");
    key("super+shift+period");
    ASSERT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
    const QRect more = placedFrameOf(activeWindow());
    ASSERT_FALSE(more.isEmpty());
    key("Down");
    key("Return");
    const auto picker = [&] { return windowsWhere(isMenu); };
    ASSERT_TRUE(waitUntil([&] { return !picker().isEmpty(); }));
    const QRect chooser = frameOf(picker().constFirst());
    EXPECT_NEAR(chooser.center().x(), more.center().x(), 2) << "centred under the menu's row";
    EXPECT_GT(chooser.top(), more.top());
    EXPECT_FALSE(waitUntil([&] { return picker().isEmpty(); }, std::chrono::seconds(1)))
        << "the picker closed by itself";
    key("Return"); // "Email…", the first way
    ASSERT_TRUE(waitUntil([&] { return recordState("minutes.odt") == "temporary"; }));
    ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    const QString path = download("old-invoice.pdf");
    ASSERT_TRUE(openPanelFrom(2));
    const QRect menu = placedFrameOf(activeWindow());
    ASSERT_FALSE(menu.isEmpty());
    const QPoint row = menu.topLeft() + QPoint(240, 8 + 3 * 35 + 16); // the fourth row
    runTool("xdotool",
            {"mousemove", QString::number(row.x()), QString::number(row.y()), "click", "1"});
    const QString trashed = m_vantle->home() + "/.local/share/Trash/files/old-invoice.pdf";
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(trashed); }));
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
}

// The move panel, opened from its badge or with Super+Shift+M, takes the typed letters.
TEST_F(ToastTest, MoveToAFolderFoundByTyping)
{
    const auto movedTo = [&](const QString& folder, const QString& name) {
        ASSERT_TRUE(waitUntil([&] { return QFile::exists(m_vantle->home() + folder + name); }));
        ASSERT_TRUE(waitUntil([&] { return m_vantle->count("fileName = '" + name + "'") == 0; }));
        ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }))
            << runTool("xdotool", {"getactivewindow", "getwindowname"}).toStdString();
        ASSERT_TRUE(waitUntil([&] { return toastWindows().isEmpty(); }));
    };
    download("offer.pdf");
    ASSERT_TRUE(openPanelFrom(1));
    const int empty = frameOf(activeWindow()).height();
    // Closed while it lists results, it opens again at its empty height.
    runTool("xdotool", {"type", "--delay", "40", "proj"});
    ASSERT_TRUE(waitUntil([&] { return frameOf(activeWindow()).height() > empty; }));
    key("Escape");
    ASSERT_TRUE(waitUntil([&] { return activeWindow() == m_focusId; }));
    key("super+shift+m");
    ASSERT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
    EXPECT_TRUE(waitUntil([&] { return frameOf(activeWindow()).height() == empty; }))
        << frameOf(activeWindow()).height() << " instead of " << empty;
    // Opened again, it lists what it finds before Return picks it.
    runTool("xdotool", {"type", "--delay", "40", "proj alp"});
    ASSERT_TRUE(waitUntil([&] { return frameOf(activeWindow()).height() > empty; }));
    key("Return");
    movedTo("/Projects/Alpha/", "offer.pdf");
    // Super+N in the field makes the folder the "Create" row offers.
    download("brief.pdf");
    key("super+shift+m");
    ASSERT_TRUE(waitUntil([&] { return panelHasKeyboard(); }));
    runTool("xdotool", {"type", "--delay", "40", "Inbox"});
    key("super+n");
    movedTo("/Inbox/", "brief.pdf");
    EXPECT_TRUE(seesPresses("a", 0));
}
