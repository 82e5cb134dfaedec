// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>

// Moves items to the freedesktop Trash. Never deletes: an item that cannot be
// trashed stays where it is and the failure is reported with a description.
class Trash {
public:
    struct Moved {
        std::optional<QString> error; // set when nothing was moved
        QString location;             // where the item now is; empty when it cannot be found
    };

    virtual ~Trash() = default;
    // Blocking; callable from any thread.
    virtual Moved moveToTrash(const QString& path) = 0;
    // Takes an item back out of the Trash to `path`, never over an existing
    // item. Returns nothing on success, else the error's description.
    virtual std::optional<QString> putBack(const QString& location, const QString& path) = 0;
    // Whether the Trash still holds an item at `location`, a place it gave,
    // described as trashed (not emptied, not restored). Blocking; callable
    // from any thread; costs the same whatever else the Trash holds. A Trash
    // that cannot tell holds nothing that could be offered back.
    virtual bool holds(const QString& /*location*/) { return false; }
};

// The GIO implementation (home trash, or $topdir/.Trash-$uid on other volumes).
std::shared_ptr<Trash> makeSystemTrash();
