// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// One line of plain text that gives up width by eliding, never by being cut
// mid-letter; its whole text is its tooltip.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    ElidedLabel(const QString& text, Qt::TextElideMode mode, QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode m_mode;
};
