// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/MarkTemporary.h"

#include "expiry/CleanupService.h"
#include "store/TrackedFileActor.h"

#include <QCoreApplication>

namespace expiry {

namespace {

// Sets the deadline of the expiry a store operation gave, if it gave one.
QFuture<MarkedExpiry> scheduled(QFuture<MarkedExpiry> expiry, CleanupService& cleanup, RecordId id)
{
    CleanupService* service = &cleanup;
    return expiry
        .then(qApp,
              [service, id](MarkedExpiry expiresAt) {
                  if (!expiresAt)
                      return QtFuture::makeReadyFuture(expiresAt);
                  const QDateTime at = *expiresAt;
                  return service->schedule(id, at).then([at] { return MarkedExpiry(at); });
              })
        .unwrap();
}

} // namespace

QFuture<MarkedExpiry> markTemporary(TrackedFileActor& store, CleanupService& cleanup, RecordId id,
                                    std::optional<double> interval)
{
    return scheduled(store.markTemporary(id, interval), cleanup, id);
}

QFuture<MarkedExpiry> extendExpiry(TrackedFileActor& store, CleanupService& cleanup, RecordId id,
                                   double seconds)
{
    return scheduled(store.extendExpiry(id, seconds), cleanup, id);
}

} // namespace expiry
