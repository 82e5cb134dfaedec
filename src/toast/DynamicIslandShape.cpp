// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/DynamicIslandShape.h"

QPainterPath DynamicIslandShape::path(const QRectF& r) const
{
    const double t = topCornerRadius;
    const double b = bottomCornerRadius;
    QPainterPath p;
    p.moveTo(r.left(), r.top());
    p.quadTo(QPointF(r.left() + t, r.top()), QPointF(r.left() + t, r.top() + t));
    p.lineTo(r.left() + t, r.bottom() - b);
    p.quadTo(QPointF(r.left() + t, r.bottom()), QPointF(r.left() + t + b, r.bottom()));
    p.lineTo(r.right() - t - b, r.bottom());
    p.quadTo(QPointF(r.right() - t, r.bottom()), QPointF(r.right() - t, r.bottom() - b));
    p.lineTo(r.right() - t, r.top() + t);
    p.quadTo(QPointF(r.right() - t, r.top()), QPointF(r.right(), r.top()));
    p.closeSubpath();
    return p;
}
