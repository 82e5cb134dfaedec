// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/PanelBackground.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage render(bool translucent)
{
    const QMargins m = panelbackground::shadowMargins();
    QImage image(200 + m.left() + m.right(), 80 + m.top() + m.bottom(),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    panelbackground::paint(painter, QRectF(m.left(), m.top(), 200, 80), 14, translucent);
    return image;
}

} // namespace

TEST(PanelBackground, TranslucentMaterialWithHairlineAndShadow)
{
    const QMargins m = panelbackground::shadowMargins();
    const QImage image = render(true);
    const QPoint centre(m.left() + 100, m.top() + 40);
    // The dark material, translucent.
    const QColor fill = QColor::fromRgba(image.pixel(centre));
    EXPECT_EQ(fill.alpha(), panelbackground::materialColor.alpha());
    EXPECT_LT(qGray(image.pixel(centre)), 40);
    // The hairline is lighter than the fill just inside it.
    const QRgb edge = image.pixel(m.left() + 100, m.top());
    const QRgb inside = image.pixel(m.left() + 100, m.top() + 3);
    EXPECT_GT(qRed(edge), qRed(inside));
    // The corner is rounded: the outer corner pixel carries shadow only.
    EXPECT_LT(qAlpha(image.pixel(m.left(), m.top())), 100);
    // The shadow falls below more than above (offset 6 down), and fades out.
    const int below = qAlpha(image.pixel(centre.x(), m.top() + 80 + 6));
    const int above = qAlpha(image.pixel(centre.x(), m.top() - 6));
    EXPECT_GT(below, above);
    EXPECT_GT(below, 0);
    EXPECT_EQ(qAlpha(image.pixel(centre.x(), image.height() - 1)), 0);
    EXPECT_LE(below, int(255 * panelbackground::shadowOpacity) + 1);
}

TEST(PanelBackground, OpaqueWithoutCompositor)
{
    const QMargins m = panelbackground::shadowMargins();
    const QImage image = render(false);
    EXPECT_EQ(qAlpha(image.pixel(m.left() + 100, m.top() + 40)), 255);
    // No shadow: nothing outside the rectangle.
    EXPECT_EQ(qAlpha(image.pixel(m.left() + 100, m.top() + 80 + 6)), 0);

    PanelBackground widget(false);
    widget.resize(300, 100);
    EXPECT_EQ(widget.backgroundRect(), QRectF(0, 0, 300, 100));
    PanelBackground translucent(true);
    translucent.resize(300, 100);
    EXPECT_EQ(translucent.backgroundRect().toRect(), QRect(0, 0, 300, 100) - m);
}
