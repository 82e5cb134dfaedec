// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastNotice.h"

#include "toast/DynamicIslandShape.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

ToastNotice::ToastNotice(std::shared_ptr<WindowSystem> windowSystem,
                         std::chrono::milliseconds duration, std::chrono::milliseconds fade)
    : FloatingPanel(Focus::never, QSize(400, islandHeight), std::move(windowSystem)), m_fade(fade)
{
    setObjectName(QStringLiteral("ToastNotice"));

    auto* glyph = m_glyph = new QLabel(QStringLiteral("⚠"));
    glyph->setStyleSheet(QStringLiteral("color: rgb(255, 159, 10); font-size: 18px;"));
    glyph->setAccessibleName(QStringLiteral("Warning"));
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("noticeText"));
    m_label->setWordWrap(true);
    m_label->setStyleSheet(QStringLiteral("color: white; font-size: 13px; font-weight: 600;"));
    auto* row = m_row = new QHBoxLayout(this);
    // Clear of the shape's flared top corners and rounded bottom ones.
    row->setContentsMargins(34, 6, 34, 6);
    row->setSpacing(10);
    row->addWidget(glyph);
    row->addWidget(m_label, 1);

    m_timer.setSingleShot(true);
    m_timer.setInterval(duration);
    connect(&m_timer, &QTimer::timeout, this, &ToastNotice::dismiss);
}

void ToastNotice::present(const QString& text, const QRect& frame)
{
    m_label->setText(text);
    m_label->setToolTip(text);
    // The frame reaches up to the screen's edge, as the island does; what it
    // gives beyond the island's own height is the inset above the text.
    const int inset = std::max(0, frame.height() - withShadowRoom(islandHeight));
    QMargins margins = m_row->contentsMargins();
    margins.setTop(inset + 6);
    m_row->setContentsMargins(margins);
    // A long reason takes more lines rather than being cut.
    const int labelWidth =
        frame.width() - margins.left() - margins.right() - m_glyph->sizeHint().width() - 10;
    const int needed = m_label->heightForWidth(std::max(1, labelWidth)) + 12;
    setGeometry(
        QRect(frame.topLeft(), QSize(frame.width(), inset + std::max(islandHeight, needed))));
    stopFade();
    if (!isOnScreen()) {
        setAlpha(0.0);
        orderFront();
    }
    fadeTo(1.0, m_fade);
    m_timer.start();
}

void ToastNotice::dismiss()
{
    m_timer.stop();
    fadeTo(0.0, m_fade, [this] {
        orderOut();
        setAlpha(1.0);
    });
}

QString ToastNotice::text() const
{
    return isOnScreen() ? m_label->text() : QString();
}

void ToastNotice::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    dismiss();
}

void ToastNotice::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(DynamicIslandShape{}.path(QRectF(rect())), Qt::black);
}

void ToastNotice::resizeEvent(QResizeEvent* event)
{
    FloatingPanel::resizeEvent(event);
    // Without a compositor what is not painted shows black: keep the shape only.
    if (!hasCompositor())
        setMask(QRegion(DynamicIslandShape{}.path(QRectF(rect())).toFillPolygon().toPolygon()));
}
