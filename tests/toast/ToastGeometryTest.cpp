// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastGeometry.h"

#include <gtest/gtest.h>

using namespace toastgeometry;

namespace {

// 1920 × 1080 with a 24-point panel along the top, and a second screen to its right.
const ScreenFacts mainScreen{QRect(0, 0, 1920, 1080), QRect(0, 24, 1920, 1056)};
const ScreenFacts sideScreen{QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)};

} // namespace

TEST(ToastGeometry, FallbackRectangleFollowsTheTopPanel)
{
    struct Case {
        ScreenFacts screen;
        QRect notch;
        int inset;
    };
    const Case cases[] = {
        {mainScreen, QRect(860, 0, 200, 24), 14},
        // No panel at all: still 24 high.
        {sideScreen, QRect(2460, 0, 200, 24), 14},
        // A tall panel: the rectangle grows, the inset stays capped.
        {{QRect(0, 0, 1000, 800), QRect(0, 40, 1000, 760)}, QRect(400, 0, 200, 40), 14},
        // A screen below another: measured from its own top.
        {{QRect(0, 1080, 800, 600), QRect(0, 1090, 800, 590)}, QRect(300, 1080, 200, 24), 14},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(notchRect(c.screen), c.notch) << c.screen.geometry.x();
        EXPECT_EQ(topInset(c.screen), c.inset);
    }
}

TEST(ToastGeometry, ToastPanelHangsCentredFromTheTop)
{
    EXPECT_EQ(toastPanelFrame(mainScreen), QRect(550, 0, 820, 144));
    EXPECT_EQ(toastPanelFrame(sideScreen), QRect(1920 + 640 - 410, 0, 820, 144));
    EXPECT_EQ(islandBottom(14), 74);
    EXPECT_EQ(expandedIslandHeight(14), 86);
}

TEST(ToastGeometry, HitRectangleSurroundsTheIslandWithAMargin)
{
    const QSize panel(820, 144);
    const QRect visible = hitTestRect(panel, 14, true);
    EXPECT_EQ(visible.size(), QSize(532, 98));
    EXPECT_EQ(visible.topLeft(), QPoint(144, -6));
    const QRect collapsed = hitTestRect(panel, 14, false);
    EXPECT_EQ(collapsed.size(), QSize(152, 26));
    EXPECT_EQ(collapsed.left(), (820 - 140) / 2 - 6);
    // Below 12 the collapsed height keeps 12.
    EXPECT_EQ(hitTestRect(panel, 4, false).height(), 24);
}

TEST(ToastGeometry, InputPanelHeights)
{
    EXPECT_EQ(moveInputHeight(3, true), 193);
    EXPECT_EQ(moveInputHeight(0, true), 80);
    EXPECT_EQ(moveInputHeight(2, false), 131);
    EXPECT_EQ(moveInputHeight(0, false), 52);
    EXPECT_EQ(moreMenuHeight(4), 154);
    EXPECT_EQ(moreMenuHeight(0), 16);
    EXPECT_EQ(timeInputHeight(QStringLiteral("   ")), 52);
    EXPECT_EQ(timeInputHeight(QStringLiteral(" 2h")), 80);
}

TEST(ToastGeometry, InputsHangBelowTheIslandAndTheAnchorUnderItsCentre)
{
    // The island reaches 74 down; 12 below it, 12 more, then the panel.
    EXPECT_EQ(inputPanelFrame(mainScreen, 193), QRect(710, 98, 500, 193));
    EXPECT_EQ(inputPanelFrame(sideScreen, 52), QRect(2310, 98, 500, 52));
    EXPECT_EQ(shareAnchorRect(mainScreen), QRect(959, 86, 2, 2));
}

TEST(ToastGeometry, ScreenChoice)
{
    const std::vector<ScreenFacts> screens{mainScreen, sideScreen};
    struct Case {
        const char* what;
        std::optional<QRect> window;
        std::optional<QPoint> pointer;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"active window centre wins", QRect(2000, 100, 800, 600), QPoint(10, 10), 1},
        {"small windows are ignored", QRect(2000, 100, 100, 100), QPoint(10, 10), 0},
        {"a 101 × 101 window counts", QRect(2000, 100, 101, 101), QPoint(10, 10), 1},
        {"pointer when no window", std::nullopt, QPoint(2500, 500), 1},
        {"window centre off every screen", QRect(-5000, 0, 400, 400), QPoint(2500, 5), 1},
        {"primary when nothing else", std::nullopt, QPoint(-50, -50), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseScreen(screens, c.window, c.pointer, 0), c.expected) << c.what;
    EXPECT_EQ(chooseScreen(screens, std::nullopt, std::nullopt, 1), 1);
    EXPECT_EQ(chooseScreen({}, QRect(0, 0, 500, 500), QPoint(1, 1), 0), std::nullopt);
}
