// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverGeometry.h"

#include <algorithm>

namespace popovergeometry {

QRect frame(std::optional<QRect> icon, QPoint pointer, const QRect& available)
{
    QRect rect(QPoint(), size);
    if (icon && icon->isValid()) {
        const bool bottomPanel = icon->center().y() > available.center().y();
        rect.moveTopLeft(
            QPoint(icon->center().x() - size.width() / 2,
                   bottomPanel ? icon->top() - gap - size.height() : icon->bottom() + 1 + gap));
    } else {
        rect.moveTopLeft(QPoint(pointer.x() - size.width() / 2, pointer.y() + gap));
    }
    // Kept whole on the screen, hugging the edge it would cross.
    rect.moveLeft(std::clamp(rect.left(), available.left(),
                             std::max(available.left(), available.right() + 1 - rect.width())));
    rect.moveTop(std::clamp(rect.top(), available.top(),
                            std::max(available.top(), available.bottom() + 1 - rect.height())));
    return rect;
}

} // namespace popovergeometry
