// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>
#include <optional>

// Moves items to the freedesktop Trash. Never deletes: an item that cannot be
// trashed stays where it is and the failure is reported with a description.
class Trash {
public:
    virtual ~Trash() = default;
    // Returns nothing on success, else the error's description. Blocking;
    // callable from any thread.
    virtual std::optional<QString> moveToTrash(const QString& path) = 0;
};

// The GIO implementation (home trash, or $topdir/.Trash-$uid on other volumes).
std::shared_ptr<Trash> makeSystemTrash();
