// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/PanelBackground.h"
#include "toast/SpringAnimation.h"
#include "toast/ToastGeometry.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace toastgeometry;

namespace {

// 1920 × 1080 with a 24-point panel along the top, and a second screen to its right.
const ScreenFacts mainScreen{QRect(0, 0, 1920, 1080), QRect(0, 24, 1920, 1056)};
const ScreenFacts sideScreen{QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 1024)};
// A tall top panel, and a screen below another.
const ScreenFacts tallPanel{QRect(0, 0, 1000, 800), QRect(0, 40, 1000, 760)};
const ScreenFacts lowerScreen{QRect(0, 1080, 800, 600), QRect(0, 1090, 800, 590)};

bool centredOn(const QRect& rect, const QRect& screen)
{
    return rect.left() - screen.left() == screen.right() - rect.right();
}

} // namespace

TEST(ToastGeometry, EveryPanelIsCentredOnItsOwnScreenAndHangsFromItsTop)
{
    for (const ScreenFacts& s : {mainScreen, sideScreen, tallPanel, lowerScreen}) {
        const int y = s.geometry.top();
        SCOPED_TRACE(s.geometry.x() * 10000 + y);
        EXPECT_EQ(notchRect(s).top(), y);
        EXPECT_EQ(toastPanelFrame(s).top(), y);
        // Input panels start below the expanded island; the share anchor just under it.
        EXPECT_GT(inputPanelFrame(s, 193).top(), y + expandedIslandHeight(topInset(s)));
        EXPECT_EQ(shareAnchorRect(s).top(), y + expandedIslandHeight(topInset(s)));
        for (const QRect& panel :
             {notchRect(s), toastPanelFrame(s), inputPanelFrame(s, 193), shareAnchorRect(s)})
            EXPECT_TRUE(centredOn(panel, s.geometry));
    }
}

TEST(ToastGeometry, ScreenChoice)
{
    const std::vector<ScreenFacts> screens{mainScreen, sideScreen};
    const struct {
        const char* what;
        std::optional<QRect> window;
        std::optional<QPoint> pointer;
        std::optional<int> expected;
    } cases[] = {{"active window centre wins", QRect(2000, 100, 800, 600), QPoint(10, 10), 1},
                 {"small windows are ignored", QRect(2000, 100, 100, 100), QPoint(10, 10), 0},
                 {"a 101 × 101 window counts", QRect(2000, 100, 101, 101), QPoint(10, 10), 1},
                 {"pointer when no window", std::nullopt, QPoint(2500, 500), 1},
                 {"window centre off every screen", QRect(-5000, 0, 400, 400), QPoint(2500, 5), 1},
                 {"primary when nothing else", std::nullopt, QPoint(-50, -50), 0}};
    for (const auto& c : cases)
        EXPECT_EQ(chooseScreen(screens, c.window, c.pointer, 0), c.expected) << c.what;
    EXPECT_EQ(chooseScreen(screens, std::nullopt, std::nullopt, 1), 1);
    EXPECT_EQ(chooseScreen({}, QRect(0, 0, 500, 500), QPoint(1, 1), 0), std::nullopt);
}

// An animation that stops short of its target ends with a visible jump.
TEST(SpringAnimation, EverySpringSettlesOnItsTargetByItsSettleTime)
{
    for (const SpringParameters& s : {SpringParameters{0.45, 0.65}, SpringParameters{0.35, 0.6},
                                      SpringParameters{0.45, 0.72}, SpringParameters{0.3, 1.5}})
        EXPECT_NEAR(springProgress(springSettleTime(s), s), 1.0, 0.002) << s.dampingFraction;
}

TEST(SpringAnimation, RetargetingContinuesFromWhereTheValueIs)
{
    SpringValue value(0.0);
    value.animateTo(1.0, 10.0, {0.45, 0.65});
    const double midway = value.value(10.1);
    EXPECT_GT(midway, 0.2);
    EXPECT_LT(midway, 1.0);
    EXPECT_FALSE(value.isSettled(10.1));
    value.animateTo(0.0, 10.1, {0.45, 0.65});
    EXPECT_DOUBLE_EQ(value.value(10.1), midway);
    EXPECT_TRUE(value.isSettled(20.0));
    EXPECT_DOUBLE_EQ(value.value(20.0), 0.0);
}

// Translucent with a shadow under a compositor; opaque and shadowless without
// one, where translucent pixels would show as a black box.
TEST(PanelBackground, TranslucentWithShadowOnlyUnderACompositor)
{
    const QMargins m = panelbackground::shadowMargins();
    for (bool translucent : {true, false}) {
        QImage image(200 + m.left() + m.right(), 80 + m.top() + m.bottom(),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        panelbackground::paint(painter, QRectF(m.left(), m.top(), 200, 80), 14, translucent);
        EXPECT_EQ(qAlpha(image.pixel(m.left() + 100, m.top() + 40)) < 255, translucent);
        EXPECT_EQ(qAlpha(image.pixel(m.left() + 100, m.top() + 86)) > 0, translucent) << "shadow";
    }
}
