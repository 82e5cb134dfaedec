// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RestoreOutcome.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TrackedFileActor;

// The one way items come back into Downloads, from the Trash or an archive:
// each still its own inode right before, under its own name or the next free
// one (never over anything), and recorded as kept before it appears, so that
// no toast announces it. A batch costs one store visit for the records, one
// for those that stayed, and a few more only when names collide.
namespace bringback {

struct Item {
    QString from;         // where it is now
    QString originalPath; // where it was; its name is the one it wants back
    std::uint64_t inode = 0;
};

// Moves `from` to `to`, never over an existing item; the error when it did not.
using Move = std::function<std::optional<QString>(const QString& from, const QString& to)>;

// One outcome per item, in order; `notInTrash` when the item was no longer
// at `from` as itself. Blocking; any thread but the store's.
std::vector<RestoreOutcome> all(TrackedFileActor& store, const std::vector<Item>& items,
                                const Move& move);

} // namespace bringback
