// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/PanelBackground.h"

#include <QVBoxLayout>

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>
#include <cmath>

namespace panelbackground {

QMargins shadowMargins()
{
    const int r = int(std::ceil(shadowRadius));
    const int dy = int(std::ceil(shadowOffsetY));
    return QMargins(r, std::max(r - dy, 0), r, r + dy);
}

void paint(QPainter& p, const QRectF& rect, qreal radius, bool translucent)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (translucent) {
        // A blurred shadow approximated by rings of falling opacity whose
        // summed alpha is the shadow's opacity at the edge.
        const int steps = int(shadowRadius);
        const QRectF base = rect.translated(0, shadowOffsetY);
        for (int i = steps; i >= 1; --i) {
            const qreal spread = i;
            const qreal t = 1.0 - qreal(i) / steps;
            QColor c(0, 0, 0);
            c.setAlphaF(float(shadowOpacity * 2.0 / steps * t));
            p.setPen(Qt::NoPen);
            p.setBrush(c);
            p.drawRoundedRect(base.adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2),
                              radius + spread / 2, radius + spread / 2);
        }
    }
    QColor fill = materialColor;
    if (!translucent)
        fill.setAlpha(255);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    // The shadow must not show through the translucent fill.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillPath(shape, fill);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QColor line(Qt::white);
    line.setAlphaF(float(hairlineOpacity));
    p.setPen(QPen(line, hairlineWidth));
    p.setBrush(Qt::NoBrush);
    const QRectF inner =
        rect.adjusted(hairlineInset, hairlineInset, -hairlineInset, -hairlineInset);
    p.drawRoundedRect(inner, radius - hairlineInset, radius - hairlineInset);
    p.restore();
}

} // namespace panelbackground

PanelBackground::PanelBackground(bool translucent, qreal cornerRadius, QWidget* parent)
    : QWidget(parent), m_translucent(translucent), m_cornerRadius(cornerRadius)
{
    setAttribute(Qt::WA_TranslucentBackground);
    if (m_translucent)
        setContentsMargins(panelbackground::shadowMargins());
}

PanelBackground* PanelBackground::filling(QWidget* owner, bool translucent, qreal cornerRadius)
{
    auto* background = new PanelBackground(translucent, cornerRadius, owner);
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(background);
    return background;
}

QRectF PanelBackground::backgroundRect() const
{
    return QRectF(contentsRect());
}

qreal PanelBackground::drawnRadius() const
{
    return m_translucent ? m_cornerRadius
                         : std::min(m_cornerRadius, panelbackground::opaqueCornerRadius);
}

void PanelBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    panelbackground::paint(painter, backgroundRect(), drawnRadius(), m_translucent);
}

void PanelBackground::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Without a compositor the window keeps only the rounded rectangle.
    if (m_translucent)
        return;
    QPainterPath shape;
    shape.addRoundedRect(backgroundRect(), drawnRadius(), drawnRadius());
    const QRegion region(shape.toFillPolygon().toPolygon());
    QWidget* top = window();
    top->setMask(top == this ? region : region.translated(mapTo(top, QPoint(0, 0))));
}
