// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/PanelBackground.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

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
        const int centreAlpha = qAlpha(image.pixel(m.left() + 100, m.top() + 40));
        const int belowAlpha = qAlpha(image.pixel(m.left() + 100, m.top() + 86));
        EXPECT_EQ(centreAlpha < 255, translucent);
        EXPECT_EQ(belowAlpha > 0, translucent);
    }
}
