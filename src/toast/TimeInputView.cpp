// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/TimeInputView.h"

#include "expiry/TimeInputViewModel.h"
#include "menus/PanelBackground.h"

#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, int pointSize, QFont::Weight weight, qreal opacity)
{
    auto* l = new QLabel(text);
    QFont font = l->font();
    font.setPixelSize(pointSize);
    font.setWeight(weight);
    l->setFont(font);
    l->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, %1);").arg(int(opacity * 255)));
    return l;
}

} // namespace

TimeInputView::TimeInputView(TimeInputViewModel& model, bool translucent, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* background = PanelBackground::filling(this, translucent, 14);

    m_field = new QLineEdit;
    m_field->setObjectName(QStringLiteral("timeField"));
    m_field->setAccessibleName(QStringLiteral("Custom time"));
    m_field->setPlaceholderText(QStringLiteral("e.g. 2h, 30 min, 1d 4h"));
    m_field->setFrame(false);
    QFont font = m_field->font();
    font.setPixelSize(17);
    font.setWeight(QFont::DemiBold);
    m_field->setFont(font);
    m_field->setFixedHeight(24);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; }"));
    m_field->installEventFilter(this);

    m_divider = new QFrame;
    m_divider->setFixedHeight(1);
    m_divider->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 64);"));

    m_resultRow = new QWidget;
    auto* row = new QHBoxLayout(m_resultRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(label(QStringLiteral("→"), 10, QFont::DemiBold, 0.6));
    m_echo = label({}, 12, QFont::DemiBold, 1.0);
    m_echo->setObjectName(QStringLiteral("timeEcho"));
    row->addWidget(m_echo);
    row->addWidget(label(QStringLiteral("·"), 11, QFont::Normal, 0.6));
    m_expiry = label({}, 11, QFont::Medium, 0.6);
    m_expiry->setObjectName(QStringLiteral("timeExpiry"));
    row->addWidget(m_expiry);
    row->addStretch();
    m_hint = label(QStringLiteral("Try: 2h · 30 min · 1d 4h"), 11, QFont::Medium, 0.35);
    m_hint->setObjectName(QStringLiteral("timeHint"));

    auto* content = new QVBoxLayout(background);
    // 14 + 24 + 6 + 1 + 6 + 15 + 14: the panel's height with the row shown.
    content->setContentsMargins(16, 14, 16, 14);
    content->setSpacing(6);
    m_resultRow->setFixedHeight(15);
    m_hint->setFixedHeight(15);
    content->addWidget(m_field);
    content->addWidget(m_divider);
    content->addWidget(m_resultRow);
    content->addWidget(m_hint);

    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_model.edit(text);
        if (m_actions.onQueryChanged)
            m_actions.onQueryChanged();
    });
    // Return or keypad Enter.
    connect(m_field, &QLineEdit::returnPressed, this, [this] {
        if (m_actions.onSubmit)
            m_actions.onSubmit();
    });
    // A change the owner made (a reset) shows without counting as an edit.
    connect(&m_model, &TimeInputViewModel::queryChanged, this, [this] { refresh(); });
    connect(&m_model, &TimeInputViewModel::parsedChanged, this, [this] { refresh(); });
    refresh();
}

bool TimeInputView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (m_actions.onCancel)
            m_actions.onCancel();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TimeInputView::refresh()
{
    if (m_field->text() != m_model.query())
        m_field->setText(m_model.query());
    const bool row = m_model.showsResultRow();
    const auto& parsed = m_model.parsed();
    m_divider->setVisible(row);
    m_resultRow->setVisible(row && parsed);
    m_hint->setVisible(row && !parsed);
    if (parsed) {
        m_echo->setText(parsed->echo);
        m_expiry->setText(
            TimeInputViewModel::expiryText(QDateTime::currentDateTime(), parsed->interval));
    }
}
