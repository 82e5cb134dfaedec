// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

// "Custom…" on a temporary file: a field at the foot of the popover for how
// much longer to keep it, read by the duration parser as the user types.
// Return applies a readable duration; Escape closes the field only.
class SnoozeEditor : public QWidget {
    Q_OBJECT
public:
    using Apply = std::function<void(RecordId, double seconds)>;
    SnoozeEditor(Apply apply, QWidget* parent);

    void open(RecordId id, const QString& fileName);
    QLineEdit& field() { return *m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textChanged(const QString& text);

    Apply m_apply;
    RecordId m_id;
    QLabel* m_title;
    QLineEdit* m_field;
    QLabel* m_echo;
};
