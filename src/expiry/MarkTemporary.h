// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"

#include <QDateTime>
#include <QFuture>
#include <optional>

class CleanupService;
class TrackedFileActor;

namespace expiry {

// Marks a record temporary (for `interval` seconds, else the default
// lifetime) and schedules its trashing. The future gives the expiry once the
// deadline is set, or nothing when the record is gone. Main thread.
QFuture<std::optional<QDateTime>> markTemporary(TrackedFileActor& store, CleanupService& cleanup,
                                                RecordId id,
                                                std::optional<double> interval = std::nullopt);

// Gives a temporary record `seconds` more and moves its deadline with it.
QFuture<std::optional<QDateTime>> extendExpiry(TrackedFileActor& store, CleanupService& cleanup,
                                               RecordId id, double seconds);

} // namespace expiry
