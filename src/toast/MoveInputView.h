// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>

class MoveInputViewModel;
class QLineEdit;
class QVBoxLayout;
class QLabel;

// The move input: the "Move to…" field with its Browse button, the recent
// destinations or the matches as breadcrumbs, and the folder "Create" would
// make. Return moves to the highlighted row, Escape cancels, the arrows move
// the highlight and a click on a row chooses it.
class MoveInputView : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const QString&)> onQueryChanged;
        std::function<void()> onSubmit;
        std::function<void()> onCancel;
        std::function<void()> onBrowse;
        std::function<void()> onCreate; // the folder offered in the "Create" row
    };

    MoveInputView(MoveInputViewModel& model, bool translucent, QWidget* parent = nullptr);

    void setActions(Actions actions) { m_actions = std::move(actions); }
    QLineEdit& field() { return *m_field; }
    // The rows' widgets, in order (for the pointer and for tests).
    QList<QWidget*> rows() const { return m_rows; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    MoveInputViewModel& m_model;
    Actions m_actions;
    QLineEdit* m_field;
    QWidget* m_rowDivider;
    QWidget* m_rowBox;
    QVBoxLayout* m_rowLayout;
    QList<QWidget*> m_rows;
    QWidget* m_createDivider;
    QWidget* m_createRow;
    QLabel* m_createPath;
};
