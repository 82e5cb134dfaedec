// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/MarkTemporary.h"

#include "expiry/CleanupService.h"
#include "store/TrackedFileActor.h"

#include <QCoreApplication>

namespace expiry {

namespace {

// Sets the deadline of the expiry a store operation gave, if it gave one.
QFuture<std::optional<QDateTime>> scheduled(QFuture<std::optional<QDateTime>> expiry,
                                            CleanupService& cleanup, RecordId id)
{
    CleanupService* service = &cleanup;
    return expiry
        .then(qApp,
              [service, id](std::optional<QDateTime> expiresAt) {
                  if (!expiresAt)
                      return QtFuture::makeReadyFuture(std::optional<QDateTime>());
                  const QDateTime at = *expiresAt;
                  return service->schedule(id, at).then([at] { return std::optional(at); });
              })
        .unwrap();
}

} // namespace

QFuture<std::optional<QDateTime>> markTemporary(TrackedFileActor& store, CleanupService& cleanup,
                                                RecordId id, std::optional<double> interval)
{
    return scheduled(store.markTemporary(id, interval), cleanup, id);
}

QFuture<std::optional<QDateTime>> extendExpiry(TrackedFileActor& store, CleanupService& cleanup,
                                               RecordId id, double seconds)
{
    return scheduled(store.extendExpiry(id, seconds), cleanup, id);
}

} // namespace expiry
