// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "toast/DynamicIslandToastHost.h"
#include "toast/IslandPainter.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <numbers>

using State = DynamicIslandToastState;

namespace {

ToastFileItem item(int index, const QString& name)
{
    return {QStringLiteral("TrackedFile(%1)").arg(index), name, QStringLiteral("1 KB"),
            QStringLiteral("/tmp/") + name, index};
}

class IslandView : public testing::Test {
protected:
    void SetUp() override
    {
        m_host = std::make_unique<DynamicIslandToastHost>([this] { return m_now; });
        m_host->resize(820, 144);
    }

    ToastViewInputs inputs(int files, State state = State::visible)
    {
        ToastViewInputs in;
        for (int i = 1; i <= files; ++i)
            in.files.push_back(item(i, QStringLiteral("report-%1.pdf").arg(i)));
        in.countdownDeadline = m_now + 7.0;
        in.topInset = 14;
        in.state = state;
        in.onHoverChanged = [this](bool h) { m_hover.push_back(h); };
        in.onMarkTemporary = [this] { m_actions.append(QStringLiteral("mark")); };
        in.onCustomTime = [this] { m_actions.append(QStringLiteral("custom")); };
        in.onMove = [this] { m_actions.append(QStringLiteral("move")); };
        in.onMore = [this] { m_actions.append(QStringLiteral("more")); };
        return in;
    }

    // Lets every spring settle.
    void settle() { m_now += 5.0; }

    QImage render()
    {
        QImage image(820, 144, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        m_host->renderFrame(painter);
        return image;
    }

    void mouse(QEvent::Type type, QPointF at)
    {
        const bool move = type == QEvent::MouseMove;
        QMouseEvent event(type, at, m_host->mapToGlobal(at), move ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(m_host.get(), &event);
    }

    void click(QPointF at)
    {
        mouse(QEvent::MouseButtonPress, at);
        mouse(QEvent::MouseButtonRelease, at);
    }

    static bool isGreen(QRgb c) { return qGreen(c) > 150 && qRed(c) < 120 && qAlpha(c) == 255; }

    double m_now = 50.0;
    std::unique_ptr<DynamicIslandToastHost> m_host;
    std::vector<bool> m_hover;
    QStringList m_actions;
};

} // namespace

TEST_F(IslandView, ExpandedOutlineIsTheIslandShape)
{
    m_host->setInputs(inputs(1));
    settle();
    const QImage image = render();
    // The island spans x 150…670 and y 0…86 (14 + 8 + 52 + 12).
    struct Case {
        QPoint at;
        bool black;
    };
    const Case cases[] = {
        {{410, 80}, true}, {{165, 40}, true},  {{152, 20}, false}, {{162, 84}, false},
        {{190, 84}, true}, {{668, 20}, false}, {{658, 84}, false}, {{410, 90}, false},
        {{140, 5}, false}, {{680, 5}, false},  {{158, 1}, true},   {{662, 1}, true},
    };
    for (const Case& c : cases) {
        const QRgb pixel = image.pixel(c.at);
        EXPECT_EQ(qAlpha(pixel) == 255 && qRed(pixel) < 40, c.black)
            << c.at.x() << "," << c.at.y() << " alpha " << qAlpha(pixel);
    }
    EXPECT_EQ(m_host->currentOutline().boundingRect(), QRectF(150, 0, 520, 86));
}

TEST_F(IslandView, CollapsedIslandIsNotDrawnWithoutHousing)
{
    m_host->setInputs(inputs(1, State::hidden));
    settle();
    const QImage image = render();
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            drawn += qAlpha(image.pixel(x, y)) != 0;
    EXPECT_EQ(drawn, 0);
    EXPECT_TRUE(m_host->currentOutline().isEmpty());

    // Halfway through the expansion it is growing from the top centre.
    ToastViewInputs in = inputs(1, State::visible);
    m_host->setInputs(in);
    m_now += 0.08;
    const QRectF growing = m_host->currentOutline().boundingRect();
    EXPECT_GT(growing.width(), 140);
    EXPECT_LT(growing.width(), 520);
    EXPECT_DOUBLE_EQ(growing.top(), 0);
    EXPECT_NEAR(growing.center().x(), 410, 0.5);
}

TEST_F(IslandView, RingShowsThePausedFraction)
{
    ToastViewInputs in = inputs(1);
    in.pausedProgress = 5.2 / 7.0;
    m_host->setInputs(in);
    settle();
    EXPECT_NEAR(m_host->ringProgress(), 0.743, 0.0005);
    const QImage image = render();
    const QRectF ring = islandpainter::ringRect(820, 14);
    const double radius = (ring.width() - islandpainter::ringLineWidth) / 2;
    auto at = [&](double fraction) {
        const double angle = fraction * 2 * std::numbers::pi; // clockwise from the top
        return QPoint(int(std::lround(ring.center().x() + radius * std::sin(angle))),
                      int(std::lround(ring.center().y() - radius * std::cos(angle))));
    };
    for (double f : {0.05, 0.25, 0.5, 0.7})
        EXPECT_TRUE(isGreen(image.pixel(at(f)))) << f;
    for (double f : {0.78, 0.85, 0.95})
        EXPECT_FALSE(isGreen(image.pixel(at(f)))) << f;
    // A paused ring does not ask for frames.
    EXPECT_FALSE(m_host->isAnimatingFrames());
}

TEST_F(IslandView, RingEmptiesWithTimeAndKeepsAMinimalArc)
{
    m_host->setInputs(inputs(1));
    EXPECT_NEAR(m_host->ringProgress(), 1.0, 1e-9);
    m_now += 3.5;
    EXPECT_NEAR(m_host->ringProgress(), 0.5, 1e-9);
    m_now += 10;
    EXPECT_DOUBLE_EQ(m_host->ringProgress(), 0.0);
    const QImage image = render();
    const QRectF ring = islandpainter::ringRect(820, 14);
    const QPoint quarter(int(ring.right() - 2), int(ring.center().y()));
    EXPECT_FALSE(isGreen(image.pixel(quarter)));
}

TEST_F(IslandView, StackBadgeOnlyWithTwoOrMoreFiles)
{
    const QRectF icon = islandpainter::iconRect(820, 14);
    const QPoint badgeCentre(int(icon.right() + 6 - 8), int(icon.top() - 6 + 8));
    auto isAccent = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60; };
    m_host->setInputs(inputs(1));
    settle();
    EXPECT_FALSE(isAccent(render().pixel(badgeCentre + QPoint(0, 5))));
    m_host->setInputs(inputs(2));
    settle();
    const QImage two = render();
    int accent = 0;
    for (int dx = -7; dx <= 7; ++dx)
        for (int dy = -7; dy <= 7; ++dy)
            accent += isAccent(two.pixel(badgeCentre + QPoint(dx, dy)));
    EXPECT_GT(accent, 40);
}

TEST_F(IslandView, OptionSwapsTheFirstBadge)
{
    const auto plain = islandpainter::badgeRects(820, 14, false);
    const auto option = islandpainter::badgeRects(820, 14, true);
    EXPECT_EQ(plain[0].left(), option[0].left());
    EXPECT_NE(plain[0].width(), option[0].width());
    EXPECT_EQ(islandpainter::badgeTexts(true)[0].label, QStringLiteral("Custom time…"));
    EXPECT_EQ(islandpainter::badgeTexts(false)[0].shortcut, QStringLiteral("⌘⇧T"));

    m_host->setInputs(inputs(1));
    settle();
    const QImage before = render().copy(plain[0].toAlignedRect());
    ToastViewInputs held = inputs(1);
    held.isOptionHeld = true;
    m_host->setInputs(held);
    m_now += 0.06; // halfway through the 0.12 s swap
    const QImage during = render().copy(plain[0].toAlignedRect());
    m_now += 1.0;
    const QImage after = render().copy(plain[0].toAlignedRect());
    EXPECT_NE(before, after);
    EXPECT_NE(during, after);
    EXPECT_NE(during, before);
}

TEST_F(IslandView, BadgesActOnlyWhileHovering)
{
    m_host->setInputs(inputs(1));
    settle();
    const auto badges = islandpainter::badgeRects(820, 14, false);
    click(badges[0].center());
    EXPECT_TRUE(m_actions.isEmpty());

    mouse(QEvent::MouseMove, badges[0].center());
    ASSERT_EQ(m_hover, std::vector<bool>{true});
    EXPECT_TRUE(m_host->isHovering());
    click(badges[0].center());
    click(badges[1].center());
    click(badges[2].center());
    EXPECT_EQ(m_actions, (QStringList{"mark", "move", "more"}));

    ToastViewInputs held = inputs(1);
    held.isOptionHeld = true;
    m_host->setInputs(held);
    click(islandpainter::badgeRects(820, 14, true)[0].center());
    EXPECT_EQ(m_actions.last(), QStringLiteral("custom"));

    // Leaving the island ends the hover.
    mouse(QEvent::MouseMove, QPointF(20, 120));
    EXPECT_EQ(m_hover, (std::vector<bool>{true, false}));
}

TEST_F(IslandView, BumpWhenTheFirstFileChanges)
{
    m_host->setInputs(inputs(1));
    settle();
    ToastViewInputs other = inputs(0);
    other.files.push_back(item(9, QStringLiteral("new.pdf")));
    m_host->setInputs(other);
    EXPECT_EQ(m_host->contentKey(), QStringLiteral("TrackedFile(9)"));
    m_now += 0.1;
    EXPECT_GT(m_host->bumpScale(), 1.02);
    // 0.12 s later it springs back.
    ASSERT_TRUE(waitUntil([&] {
        m_now += 0.01;
        return std::abs(m_host->bumpScale() - 1.0) < 1e-6 && m_now > 52.0;
    }));
}
