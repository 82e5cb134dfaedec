// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "move/FolderMatch.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

// The move input's state: the typed text, the ranked folders for it, the
// recent destinations offered while nothing is typed, and the highlighted
// row. Main thread only.
class MoveInputViewModel : public QObject {
    Q_OBJECT
public:
    explicit MoveInputViewModel(QString homePath, QObject* parent = nullptr);

    const QString& query() const { return m_query; }
    const QList<FolderMatch>& results() const { return m_results; }
    const QStringList& mruSuggestions() const { return m_mruSuggestions; }
    int selectedIndex() const { return m_selectedIndex; }
    const QString& homePath() const { return m_homePath; }

    // Each but setResults notifies only when the value changes.
    void setQuery(const QString& query);
    void setResults(QList<FolderMatch> results);
    void setMruSuggestions(const QStringList& paths);
    void setSelectedIndex(int index);

    // Nothing typed but blanks: the recent destinations are shown.
    bool showsSuggestions() const;
    // The paths of the rows shown, in order.
    QStringList rowPaths() const;
    // The highlighted row's folder.
    std::optional<QString> selectedURL() const;
    // The folder "Create" would make: named by the last typed word, beside
    // the segment where it matched in the highlighted result, else the typed
    // words as folders below home.
    std::optional<QString> newFolderURL() const;
    // Brings the highlight back into the rows shown.
    void clampSelection();
    // Moves the highlight; it stops at both ends.
    void moveSelection(int step);

    // A row's segments: below home without the home prefix, else the whole path.
    QStringList breadcrumbSegments(const QString& path) const;
    // "~/Documents/new" for a folder below home.
    QString displayPath(const QString& path) const;

Q_SIGNALS:
    void changed();

private:
    QString m_homePath;
    QString m_query;
    QList<FolderMatch> m_results;
    QStringList m_mruSuggestions;
    int m_selectedIndex = 0;
};
