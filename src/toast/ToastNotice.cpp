// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastNotice.h"

#include "menus/PanelBackground.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

ToastNotice::ToastNotice(std::shared_ptr<WindowSystem> windowSystem,
                         std::chrono::milliseconds duration, std::chrono::milliseconds fade)
    : FloatingPanel(Focus::never, QSize(400, islandHeight), std::move(windowSystem)), m_fade(fade)
{
    setObjectName(QStringLiteral("ToastNotice"));
    auto* background = PanelBackground::filling(this, hasCompositor(), islandHeight / 2.0);

    auto* glyph = m_glyph = new QLabel(QStringLiteral("⚠"));
    glyph->setStyleSheet(QStringLiteral("color: rgb(255, 159, 10); font-size: 18px;"));
    glyph->setAccessibleName(QStringLiteral("Warning"));
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("noticeText"));
    m_label->setWordWrap(true);
    m_label->setStyleSheet(QStringLiteral("color: white; font-size: 13px; font-weight: 600;"));
    auto* row = m_row = new QHBoxLayout(background);
    const QMargins shadow = hasCompositor() ? panelbackground::shadowMargins() : QMargins();
    row->setContentsMargins(shadow + QMargins(20, 6, 20, 6));
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
    // A long reason takes more lines rather than being cut.
    const QMargins margins = m_row->contentsMargins();
    const int labelWidth =
        frame.width() - margins.left() - margins.right() - m_glyph->sizeHint().width() - 10;
    const int needed =
        m_label->heightForWidth(std::max(1, labelWidth)) + margins.top() + margins.bottom();
    setGeometry(frame.adjusted(0, 0, 0, std::max(0, needed - frame.height())));
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
