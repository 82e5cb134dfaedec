// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "popover/PopoverLists.h"

#include <QAbstractScrollArea>
#include <functional>
#include <map>

class QLabel;
class QToolButton;

// The popover's scrolling list: the temporary section, then the ignored one,
// each header pinned to the top while its rows scroll under it. Rows are all
// one height, so positions are arithmetic and only the rows in view exist as
// widgets: ten thousand records open as fast as ten.
class PopoverListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const TrackedFile&)> keep;
        std::function<void(const TrackedFile&)> deleteNow;
        std::function<void(const TrackedFile&)> markTemporary;
        std::function<void(const TrackedFile&)> reveal;
        std::function<void()> keepAll;
    };
    static constexpr int rowHeight = 52;
    static constexpr int dividerInset = 54;

    PopoverListView(Actions actions, QWidget* parent = nullptr);

    // `markToolTip` explains the ignored rows' "Mark as temporary".
    void setLists(const PopoverLists& lists, const QString& markToolTip);
    bool isIgnoredExpanded() const { return m_ignoredExpanded; }
    void setIgnoredExpanded(bool expanded);
    // The row widgets that exist now (those in view).
    int builtRows() const { return int(m_rows.size()); }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        bool temporary;
        std::size_t index; // into its list
        int y;             // top in content coordinates
        bool last;         // no divider below
    };
    void buildHeaders();
    void layoutEntries();
    void place();
    QWidget* makeRow(const Entry& entry);
    void clearRows();
    const TrackedFile& fileOf(const Entry& entry) const;

    Actions m_actions;
    PopoverLists m_lists;
    QString m_markToolTip;
    bool m_ignoredExpanded = false;
    std::vector<Entry> m_entries;
    std::map<std::size_t, QWidget*> m_rows; // entry index -> row in view
    int m_headerHeight = 28;
    int m_temporaryHeaderY = -1; // -1: no such section
    int m_ignoredHeaderY = -1;
    int m_contentHeight = 0;
    QWidget* m_temporaryHeader = nullptr;
    QWidget* m_ignoredHeader = nullptr;
    QToolButton* m_ignoredToggle = nullptr;
    QLabel* m_ignoredChevron = nullptr;
    QLabel* m_ignoredCount = nullptr;
};
