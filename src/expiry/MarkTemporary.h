// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/MarkedExpiry.h"
#include "store/RecordId.h"

#include <QDateTime>
#include <QFuture>
#include <optional>

class CleanupService;
class TrackedFileActor;

namespace expiry {

// Marks a record temporary (for `interval` seconds, else the default
// lifetime) and schedules its trashing. The future gives the expiry once the
// deadline is set, or none when the record or the cleanup service is gone
// or, with the reason, when the store could not save the change. Main thread.
QFuture<MarkedExpiry> markTemporary(TrackedFileActor& store, CleanupService& cleanup, RecordId id,
                                    std::optional<double> interval = std::nullopt);

// Gives a temporary record `seconds` more and moves its deadline with it.
QFuture<MarkedExpiry> extendExpiry(TrackedFileActor& store, CleanupService& cleanup, RecordId id,
                                   double seconds);

} // namespace expiry
