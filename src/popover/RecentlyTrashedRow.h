// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/TrashJournal.h"

#include <QWidget>
#include <functional>

// "Trashed just now", "Trashed 5 min ago", "Trashed 3 hours ago"; from a
// day on, the date: "Trashed on 4 Dec".
QString trashedCaption(const QDateTime& trashedAt, const QDateTime& now);

// A file Vantle trashed, drawn like the popover's other rows: its icon, its
// name over when it went, and a "Restore" button (objectName
// "restoreButton"), which it disables once clicked. When its last restore
// failed, "⚠ Couldn’t restore" takes the place of when it went, with the
// reason as its tooltip. The callback must not delete the row while it runs
// (use deleteLater).
class RecentlyTrashedRowView final : public QWidget {
    Q_OBJECT
public:
    RecentlyTrashedRowView(const TrashJournal::Entry& file, const QDateTime& now,
                           std::function<void()> onRestore, const QString& failure = {},
                           QWidget* parent = nullptr);
};
