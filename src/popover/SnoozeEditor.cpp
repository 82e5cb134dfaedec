// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/SnoozeEditor.h"

#include "expiry/DurationParser.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

SnoozeEditor::SnoozeEditor(Apply apply, QWidget* parent)
    : QWidget(parent), m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("snoozeEditor"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#snoozeEditor { background: rgb(44, 44, 46); "
                                 "border-top: 1px solid rgba(255, 255, 255, 40); }"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 10, 16, 10);
    column->setSpacing(6);
    m_title = new QLabel(this);
    m_title->setStyleSheet(QStringLiteral("font-size: 11px; font-weight: 600;"));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("snoozeField"));
    m_field->setPlaceholderText(QStringLiteral("e.g. 2h, 30 min, 1d 4h"));
    m_field->installEventFilter(this);
    m_echo = new QLabel(this);
    m_echo->setStyleSheet(QStringLiteral("font-size: 11px;"));
    m_echo->setForegroundRole(QPalette::PlaceholderText);
    m_title->setBuddy(m_field);
    column->addWidget(m_title);
    column->addWidget(m_field);
    column->addWidget(m_echo);
    connect(m_field, &QLineEdit::textChanged, this, &SnoozeEditor::textChanged);
    hide();
}

void SnoozeEditor::open(RecordId id, const QString& fileName)
{
    m_id = id;
    m_title->setText(QStringLiteral("Keep “%1” for how much longer?").arg(fileName));
    m_field->clear();
    textChanged({});
    show();
    raise();
    m_field->setFocus();
}

void SnoozeEditor::textChanged(const QString& text)
{
    const auto parsed = DurationParser::parse(text);
    m_echo->setText(parsed ? QStringLiteral("→ %1 more").arg(parsed->echo)
                           : QStringLiteral("Try: 2h · 30 min · 1d 4h"));
}

bool SnoozeEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
        hide();
        return true; // the popover stays open
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (const auto parsed = DurationParser::parse(m_field->text())) {
            hide();
            if (m_apply)
                m_apply(m_id, parsed->interval);
        }
        return true; // an unreadable text waits for a better one
    }
    return QWidget::eventFilter(watched, event);
}
