// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "popover/PopoverLists.h"
#include "store/TrashJournal.h"

#include <QAbstractScrollArea>
#include <functional>
#include <map>

class QLabel;
class QPushButton;
class QToolButton;

// The popover's scrolling list: the temporary section, the ignored one, then
// the recently trashed one, each header pinned to the top while its rows
// scroll under it. Rows are all one height, so positions are arithmetic and
// only the rows in view exist as widgets: ten thousand records open as fast
// as ten.
class PopoverListView : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct Actions {
        std::function<void(const TrackedFile&)> keep;
        std::function<void(const TrackedFile&)> deleteNow;
        std::function<void(const TrackedFile&)> markTemporary;
        std::function<void(const TrackedFile&)> reveal;
        std::function<void()> keepAll;
        // Seconds more for a temporary file; none: ask how long.
        std::function<void(const TrackedFile&, std::optional<double>)> snooze;
        // "Keep forever", or "Unpin" for a pinned file.
        std::function<void(const TrackedFile&)> togglePin;
    };
    static constexpr int rowHeight = 52;
    static constexpr int dividerInset = 54;

    PopoverListView(Actions actions, QWidget* parent = nullptr);

    // `markToolTip` explains the ignored rows' "Mark as temporary".
    void setLists(const PopoverLists& lists, const QString& markToolTip);
    bool isIgnoredExpanded() const { return m_ignoredExpanded; }
    void setIgnoredExpanded(bool expanded);
    // The files Vantle trashed lately (see RecentlyTrashed), folded like the
    // ignored ones; `restore` is given the place in the Trash of the one
    // whose "Restore" was clicked. `failures`: why a file's last restore
    // failed, by its place in the Trash.
    void setRecentlyTrashed(const std::vector<TrashJournal::Entry>& files,
                            const QHash<QString, QString>& failures = {});
    void setRestoreAction(std::function<void(const QString& location)> restore);
    bool isTrashedExpanded() const { return m_trashedExpanded; }
    void setTrashedExpanded(bool expanded);
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
        // A recently trashed file; `index` is into those.
        bool trashed = false;
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
    std::vector<TrashJournal::Entry> m_trashed;
    QHash<QString, QString> m_restoreFailures;
    std::function<void(const QString&)> m_restore;
    bool m_trashedExpanded = false;
    int m_trashedHeaderY = -1;
    QPushButton* m_trashedHeader = nullptr;
    QLabel* m_trashedChevron = nullptr;
    QLabel* m_trashedCount = nullptr;
};
