// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;
class TidyModel;

// The popover's "Tidy up" section, shown only while the rule is on: how
// many items the rule would take and their size (objectName "tidySummary"),
// each with its age and destination ("tidyItem" rows), "Tidy Now" and,
// after a run, "Undo Tidy" ("tidyNow", "undoTidy"), and what the last run
// did in plain words ("tidyOutcome").
class TidySectionView : public QWidget {
    Q_OBJECT
public:
    // At most this many rows are built; the summary counts the rest.
    static constexpr int maxRows = 200;

    explicit TidySectionView(TidyModel& model, QWidget* parent = nullptr);

private:
    void showModel();
    void fillItems();

    TidyModel& m_model;
    QLabel* m_summary;
    QScrollArea* m_scroll;
    QWidget* m_items;
    QVBoxLayout* m_itemsLayout;
    QLabel* m_outcome;
    QPushButton* m_tidyNow;
    QPushButton* m_undo;
};
