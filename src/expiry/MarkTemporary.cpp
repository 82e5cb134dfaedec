// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/MarkTemporary.h"

#include "expiry/CleanupService.h"
#include "store/TrackedFileActor.h"

#include <QCoreApplication>
#include <QPointer>

namespace expiry {

namespace {

// Sets the deadline of the expiry a store operation gave, if it gave one.
QFuture<MarkedExpiry> scheduled(QFuture<MarkedExpiry> expiry, CleanupService& cleanup, RecordId id)
{
    // The store's answer waits in the main thread's queue and may find the
    // service already gone (shut down and deleted); the store still holds the
    // expiry, and the next start schedules it.
    const QPointer<CleanupService> service(&cleanup);
    return expiry
        .then(qApp,
              [service, id](MarkedExpiry expiresAt) {
                  if (!expiresAt || !service)
                      return QtFuture::makeReadyFuture(service ? expiresAt : MarkedExpiry());
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
