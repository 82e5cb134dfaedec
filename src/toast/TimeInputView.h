// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QFrame;
class TimeInputViewModel;

// The custom-lifetime input: a one-line field and, once something is typed,
// the understood duration with its expiry, or a hint. Return submits and
// Escape cancels; neither types anything.
class TimeInputView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onQueryChanged; // after each edit, once the model is up to date
        std::function<void()> onSubmit;
        std::function<void()> onCancel;
    };

    TimeInputView(TimeInputViewModel& model, bool translucent, QWidget* parent = nullptr);

    void setActions(Actions actions) { m_actions = std::move(actions); }
    QLineEdit& field() { return *m_field; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    TimeInputViewModel& m_model;
    Actions m_actions;
    QLineEdit* m_field;
    QFrame* m_divider;
    QWidget* m_resultRow;
    QLabel* m_echo;
    QLabel* m_expiry;
    QLabel* m_hint;
};
