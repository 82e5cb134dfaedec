// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToastFixture.h"
#include "toast/IslandPainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QTest>
#include <QToolTip>

using State = DynamicIslandToastState;

namespace {

class IslandView : public testing::Test {
protected:
    void SetUp() override
    {
        m_host = std::make_unique<DynamicIslandToastHost>([this] { return m_now; });
        m_host->resize(820, 144);
    }

    // `files` queued files; the first badge swapped when `optionHeld`.
    void show(int files, State state = State::visible, bool optionHeld = false)
    {
        ToastViewInputs in;
        for (int i = 1; i <= files; ++i)
            in.files.push_back({QStringLiteral("TrackedFile(%1)").arg(i),
                                QStringLiteral("report-%1.pdf").arg(i), "1 KB",
                                QStringLiteral("/tmp/report-%1.pdf").arg(i), i});
        in.countdownDeadline = m_now + 7.0;
        in.state = state;
        in.isOptionHeld = optionHeld;
        in.pausedProgress = m_paused;
        in.onHoverChanged = [this](bool h) { m_hover.push_back(h); };
        in.onMarkTemporary = [this] { m_actions.append("mark"); };
        m_host->setInputs(in);
    }

    // Lets every spring settle.
    void settle() { m_now += 5.0; }
    static QImage blank()
    {
        QImage image(820, 144, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }
    QImage render()
    {
        QImage image = blank();
        QPainter painter(&image);
        m_host->renderFrame(painter);
        return image;
    }

    // QTest would move the cursor, which an unshown widget never hears of.
    void moveTo(QPointF at)
    {
        QMouseEvent event(QEvent::MouseMove, at, m_host->mapToGlobal(at), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_host.get(), &event);
    }
    void click(QPointF at) { QTest::mouseClick(m_host.get(), Qt::LeftButton, {}, at.toPoint()); }

    double m_now = 50.0;
    std::optional<double> m_paused;
    std::unique_ptr<DynamicIslandToastHost> m_host;
    std::vector<bool> m_hover;
    QStringList m_actions;
};

} // namespace

TEST_F(IslandView, GrowsFromTheTopCentreDrawsOnlyInsideItsOutlineAndCollapsesForGood)
{
    show(1, State::hidden);
    settle();
    EXPECT_EQ(render(), blank());
    EXPECT_TRUE(m_host->currentOutline().isEmpty());
    show(1);
    m_now += 0.08;
    const QRectF growing = m_host->currentOutline().boundingRect();
    EXPECT_DOUBLE_EQ(growing.top(), 0);
    EXPECT_NEAR(growing.center().x(), 410, 0.5);
    settle();
    const QRectF outline = m_host->currentOutline().boundingRect();
    EXPECT_GT(outline.width(), growing.width());
    const QImage image = render();
    const QRect drawable = outline.toAlignedRect().adjusted(-1, -1, 1, 1);
    int outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            outside += !drawable.contains(x, y) && qAlpha(image.pixel(x, y)) != 0;
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(qAlpha(image.pixel(outline.center().toPoint() + QPoint(0, 30))), 255);
    // Collapsed, it does not come back on the spring's rebound.
    show(1, State::hidden);
    int gone = 0;
    for (int frame = 0; frame < 200; ++frame, m_now += 0.01) {
        if (m_host->currentOutline().isEmpty())
            ++gone;
        else
            ASSERT_EQ(gone, 0) << "drawn again at frame " << frame;
    }
    EXPECT_GT(gone, 0);
}

TEST_F(IslandView, RingShowsTheRemainingFractionClockwiseFromTheTop)
{
    show(1);
    const std::pair<double, double> steps[] = {{0, 1}, {3.5, 0.5}, {10, 0}}; // elapsed, shown
    for (const auto& [elapsed, progress] : steps) {
        m_now += elapsed;
        EXPECT_NEAR(m_host->ringProgress(), progress, 1e-9);
    }
    // Paused at 5.2 of 7 seconds: the arc covers a quarter turn past the
    // top, not the last eighth before it.
    m_paused = 5.2 / 7.0;
    show(1);
    settle();
    const QRectF ring = islandpainter::ringRect(820, 14);
    const double radius = (ring.width() - islandpainter::ringLineWidth) / 2;
    const QImage image = render();
    auto green = [&](double x, double y) {
        const QRgb c = image.pixel(QPointF(ring.center() + QPointF(x, y) * radius).toPoint());
        return qGreen(c) > 150 && qRed(c) < 120 && qAlpha(c) == 255;
    };
    EXPECT_TRUE(green(1, 0));                  // a quarter turn clockwise from the top
    EXPECT_FALSE(green(-0.7071, -0.7071));     // seven eighths round
    EXPECT_FALSE(m_host->isAnimatingFrames()); // a paused ring asks for no frames
}

TEST_F(IslandView, BadgesActOnlyWhileHoveringAndHeldOptionSwapsTheFirstGradually)
{
    show(1);
    settle();
    const auto badges = islandpainter::badgeRects(820, 14, false);
    click(badges[0].center());
    EXPECT_TRUE(m_actions.isEmpty());
    moveTo(badges[0].center());
    ASSERT_EQ(m_hover, std::vector<bool>{true});
    EXPECT_TRUE(m_host->isHovering());
    click(badges[0].center());
    EXPECT_EQ(m_actions, QStringList{"mark"});
    settle();
    const QRect first = badges[0].toAlignedRect();
    const QImage before = render().copy(first);
    show(1, State::visible, true);
    m_now += 0.06; // halfway through the swap
    const QImage during = render().copy(first);
    m_now += 1.0;
    const QImage after = render().copy(first);
    EXPECT_TRUE(during != before && during != after && before != after);
    moveTo(QPointF(20, 120));
    EXPECT_EQ(m_hover, (std::vector<bool>{true, false}));
    // Keycaps name the keys as desktop shortcut settings do and end before the ring.
    for (const bool option : {false, true}) {
        const auto caps = islandpainter::badgeTexts(option);
        EXPECT_EQ(caps[0].shortcut, option ? "Super⇧Alt\u2009T" : "Super⇧T");
        EXPECT_EQ(caps[2].shortcut, "Super⇧.");
        EXPECT_EQ(islandpainter::undoBadgeText().shortcut, "Super⇧Z");
        EXPECT_LE(islandpainter::badgeRects(820, 14, option)[2].right() + islandpainter::spacing,
                  islandpainter::ringRect(820, 14).left());
    }
}

TEST_F(IslandView, ANewFirstFileBumpsTheIslandAndItSpringsBack)
{
    show(2);
    settle();
    ToastViewInputs other = m_host->inputs();
    other.files.erase(other.files.begin());
    m_host->setInputs(other);
    m_now += 0.1;
    EXPECT_GT(m_host->bumpScale(), 1.02);
    ASSERT_TRUE(waitUntil([&] {
        m_now += 0.01;
        return std::abs(m_host->bumpScale() - 1.0) < 1e-6;
    }));
}

TEST_F(IslandView, AKeycapExplainsItselfThoughThePanelIsNeverActive)
{
    ToastPanel panel(std::make_shared<FakeWindowSystem>(), m_host.get());
    const auto keepHost = qScopeGuard([this] { m_host->setParent(nullptr); });
    panel.resize(820, 144);
    panel.show();
    QWidget typing; // the application the user works in keeps the focus
    typing.show();
    typing.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return typing.isActiveWindow() && !panel.isActiveWindow(); }));
    show(1);
    settle();
    allowWarning("This plugin does not support raise()"); // the tip, offscreen
    // From the window system, as the wake-up of a tip needs.
    QTest::mouseMove(&panel, islandpainter::badgeRects(820, 14, false)[1].center().toPoint());
    ASSERT_TRUE(waitUntil([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), "Super+Shift+M");
    QToolTip::hideText();
}

// Under a Wayland session the island's global shortcuts reach Vantle only
// while an X11 window has focus: its badges show and speak no keys there.
TEST(WaylandKeycapsTest, BadgesNameTheirKeysOnlyWhereGlobalShortcutsWork)
{
    const std::tuple<const char*, const char*, bool> sessions[] = {
        {"XDG_SESSION_TYPE", "x11", true},
        {"XDG_SESSION_TYPE", "wayland", false},
        {"WAYLAND_DISPLAY", "wayland-0", false}}; // variable, value, keys shown
    // The test's own session, whatever the one it runs in.
    const QByteArray type = qgetenv("XDG_SESSION_TYPE");
    const QByteArray display = qgetenv("WAYLAND_DISPLAY");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_SESSION_TYPE", type);
        qputenv("WAYLAND_DISPLAY", display);
    });
    for (const auto& [variable, value, keysShown] : sessions) {
        qunsetenv("XDG_SESSION_TYPE");
        qunsetenv("WAYLAND_DISPLAY");
        qputenv(variable, value);
        for (const islandpainter::BadgeText& badge :
             {islandpainter::badgeTexts(false)[0], islandpainter::undoBadgeText()}) {
            EXPECT_EQ(!badge.shortcut.isEmpty(), keysShown) << value;
            EXPECT_EQ(!badge.toolTip.isEmpty(), keysShown) << value;
        }
    }
}
