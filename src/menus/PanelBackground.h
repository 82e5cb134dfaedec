// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QMargins>
#include <QRectF>
#include <QWidget>

class QPainter;

// The shared background of the floating input panels. Linux has no glass or
// behind-window material, so it is the material's stand-in: a dark
// translucent rounded rectangle with a white hairline and a soft shadow.
// Without a compositor translucency would show black, so it is drawn opaque,
// without the shadow, and the window keeps only the background's shape.
namespace panelbackground {

inline constexpr qreal defaultCornerRadius = 14;
inline constexpr qreal hairlineWidth = 0.5;
inline constexpr qreal hairlineInset = 0.25;
inline constexpr qreal hairlineOpacity = 0.25;
inline constexpr qreal shadowOpacity = 0.25;
inline constexpr qreal shadowRadius = 18;
inline constexpr qreal shadowOffsetY = 6;
// The HUD material's tint; nearly opaque, so that text stays legible over
// busy windows where no blur stands behind it.
inline const QColor materialColor(28, 28, 30, 242);
// Without a compositor the window's shape is a one-bit mask, which cannot
// smooth a curve: the corners are drawn and cut at this small radius, whose
// steps do not show.
inline constexpr qreal opaqueCornerRadius = 4;

// Room the shadow needs around the background.
QMargins shadowMargins();
// Paints the background filling `rect`, with its shadow outside it when
// `translucent`.
void paint(QPainter& painter, const QRectF& rect, qreal cornerRadius, bool translucent);

} // namespace panelbackground

// A widget that paints the panel background behind its children, leaving
// the shadow's room around them when translucent.
class PanelBackground : public QWidget {
    Q_OBJECT
public:
    explicit PanelBackground(bool translucent,
                             qreal cornerRadius = panelbackground::defaultCornerRadius,
                             QWidget* parent = nullptr);
    // A background filling `owner` edge to edge; the owner's content goes in it.
    static PanelBackground* filling(QWidget* owner, bool translucent,
                                    qreal cornerRadius = panelbackground::defaultCornerRadius);

    bool isTranslucent() const { return m_translucent; }
    qreal cornerRadius() const { return m_cornerRadius; }
    // The background's own rectangle inside the widget.
    QRectF backgroundRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal drawnRadius() const;

    bool m_translucent;
    qreal m_cornerRadius;
};
