// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// One item in the Trash, as the Trash describes it.
struct TrashEntry {
    QString name;         // its name in the Trash listing
    QString location;     // the item itself (…/Trash/files/NAME)
    QString originalPath; // where it was trashed from
    QDateTime deletedAt;  // when, in UTC; invalid when the Trash does not say
};

// Moves items to the freedesktop Trash. Never deletes: an item that cannot be
// trashed stays where it is and the failure is reported with a description.
class Trash {
public:
    struct Moved {
        std::optional<QString> error; // set when nothing was moved
        QString location;             // where the item now is; empty when unknown
    };

    virtual ~Trash() = default;
    // Blocking; callable from any thread.
    virtual Moved moveToTrash(const QString& path) = 0;
    // Takes an item back out of the Trash to `path`, never over an existing
    // item. Returns nothing on success, else the error's description.
    virtual std::optional<QString> putBack(const QString& location, const QString& path) = 0;
    // What the Trash holds now. Blocking; callable from any thread. A Trash
    // that cannot tell holds nothing that could be offered back.
    virtual std::vector<TrashEntry> entries() { return {}; }
};

// The GIO implementation (home trash, or $topdir/.Trash-$uid on other volumes).
std::shared_ptr<Trash> makeSystemTrash();
