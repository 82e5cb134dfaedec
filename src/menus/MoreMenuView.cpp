// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/MoreMenuView.h"

#include "menus/PanelBackground.h"
#include "menus/SymbolicIcon.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr int rowHeight = 33;
constexpr int rowSpacing = 2;
constexpr int padding = 8;

const QColor primary(255, 255, 255);
const QColor destructive(255, 69, 58);

// One row: icon, title, keycap; highlighted when selected.
class MoreMenuRow : public QWidget {
public:
    MoreMenuRow(const MoreMenuItem& item, MoreMenuViewModel& model,
                std::function<void(MoreMenuAction)>& onSelect, QWidget* parent)
        : QWidget(parent), m_item(item), m_model(model), m_onSelect(onSelect)
    {
        setFixedHeight(rowHeight);
        setMouseTracking(true);
        setToolTip(item.keycapToolTip);
        setAccessibleName(item.title);
        connect(&model, &MoreMenuViewModel::selectedIndexChanged, this,
                qOverload<>(&QWidget::update));
    }

protected:
    void enterEvent(QEnterEvent*) override { m_model.setSelectedIndex(m_item.id); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
            return;
        m_model.setSelectedIndex(m_item.id);
        if (m_onSelect)
            m_onSelect(m_item.action);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = m_item.isDestructive ? destructive : primary;
        if (m_model.selectedIndex() == m_item.id) {
            QColor fill = ink;
            fill.setAlphaF(0.12);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            p.drawRoundedRect(QRectF(rect()), 8, 8);
        }
        QRect inner = rect().adjusted(10, 8, -10, -8);
        const QIcon icon = symbolicIcon(m_item.icon, ink);
        icon.paint(&p, QRect(inner.left(), inner.center().y() - 8, 16, 16));
        QFont font = p.font();
        font.setPixelSize(14);
        font.setWeight(QFont::Medium);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(inner.adjusted(28, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, m_item.title);

        // The keycap at the right end.
        QFont small = font;
        small.setPixelSize(10);
        small.setWeight(QFont::DemiBold);
        const QFontMetrics metrics(small);
        const int width = metrics.horizontalAdvance(m_item.keycap) + 10;
        const QRectF cap(inner.right() - width, inner.center().y() - 8, width, 16);
        QColor capFill = primary;
        capFill.setAlphaF(0.08);
        QColor capLine = primary;
        capLine.setAlphaF(0.12);
        p.setBrush(capFill);
        p.setPen(QPen(capLine, 0.5));
        p.drawRoundedRect(cap, 4, 4);
        p.setFont(small);
        p.setPen(primary);
        p.drawText(cap, Qt::AlignCenter, m_item.keycap);
    }

private:
    const MoreMenuItem& m_item;
    MoreMenuViewModel& m_model;
    std::function<void(MoreMenuAction)>& m_onSelect;
};

} // namespace

MoreMenuView::MoreMenuView(MoreMenuViewModel& model, bool translucent, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* background = PanelBackground::filling(this, translucent, 14);
    m_background = background;
    auto* rows = new QVBoxLayout(background);
    rows->setContentsMargins(padding, padding, padding, padding);
    rows->setSpacing(rowSpacing);
    for (const MoreMenuItem& item : MoreMenuViewModel::items())
        rows->addWidget(new MoreMenuRow(item, model, onSelect, background));
}

QRect MoreMenuView::rowRect(int index) const
{
    const QWidget* row = m_background->layout()->itemAt(index)->widget();
    return QRect(row->mapTo(this, QPoint(0, 0)), row->size());
}
