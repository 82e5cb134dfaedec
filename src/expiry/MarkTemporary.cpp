// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/MarkTemporary.h"

#include "expiry/CleanupService.h"
#include "store/TrackedFileActor.h"

#include <QCoreApplication>

namespace expiry {

QFuture<std::optional<QDateTime>> markTemporary(TrackedFileActor& store, CleanupService& cleanup,
                                                RecordId id, std::optional<double> interval)
{
    CleanupService* service = &cleanup;
    return store.markTemporary(id, interval)
        .then(qApp,
              [service, id](std::optional<QDateTime> expiresAt) {
                  if (!expiresAt)
                      return QtFuture::makeReadyFuture(std::optional<QDateTime>());
                  const QDateTime at = *expiresAt;
                  return service->schedule(id, at).then([at] { return std::optional(at); });
              })
        .unwrap();
}

} // namespace expiry
