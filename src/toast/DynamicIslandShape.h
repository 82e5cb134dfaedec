// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainterPath>
#include <QRectF>

// The island's outline: top corners flare outwards like the screen edge
// around a housing, bottom corners round inwards. Both are quadratic curves.
struct DynamicIslandShape {
    double topCornerRadius = 10;
    double bottomCornerRadius = 22;

    QPainterPath path(const QRectF& rect) const;
};
