// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdateStatus.h"

namespace {

QString reason(const UpdateStatus& status)
{
    switch (status.failure) {
    case UpdateFailure::none:
        break;
    case UpdateFailure::insecureAddress:
        return QStringLiteral("the address does not use HTTPS");
    case UpdateFailure::unreachable:
        return QStringLiteral("the update server could not be reached");
    case UpdateFailure::untrusted:
        return QStringLiteral("the update server's certificate was not accepted");
    case UpdateFailure::timedOut:
        return QStringLiteral("the update server took too long");
    case UpdateFailure::tooLarge:
        return QStringLiteral("the answer was larger than allowed");
    case UpdateFailure::wrongType:
        return QStringLiteral("the update server did not send an update feed");
    case UpdateFailure::malformed:
        return QStringLiteral("the update feed could not be read");
    case UpdateFailure::tooManyRedirects:
        return QStringLiteral("the update server redirected too many times");
    case UpdateFailure::serverError:
        return QStringLiteral("the update server answered with status %1").arg(status.httpStatus);
    case UpdateFailure::writeFailed:
        return QStringLiteral("the file could not be written to the cache folder");
    case UpdateFailure::noChecksum:
        return QStringLiteral("the update feed gives no length or checksum for it");
    case UpdateFailure::mismatch:
        return QStringLiteral("it did not match the update feed and was deleted");
    }
    return {};
}

} // namespace

QString statusText(const UpdateStatus& status)
{
    switch (status.state) {
    case UpdateState::idle:
        return {};
    case UpdateState::unavailable:
        return QStringLiteral("Updates for Vantle come from your package manager.");
    case UpdateState::checking:
        return QStringLiteral("Checking for updates…");
    case UpdateState::upToDate:
        return QStringLiteral("Vantle %1 is up to date.").arg(status.currentVersion);
    case UpdateState::available:
        return QStringLiteral("Vantle %1 is available.").arg(status.version);
    case UpdateState::downloading:
        return QStringLiteral("Vantle %1 is available. Downloading it…").arg(status.version);
    case UpdateState::downloaded:
        return QStringLiteral("Vantle %1 is available. It was downloaded to %2.")
            .arg(status.version, status.downloadedFile);
    case UpdateState::downloadFailed:
        return QStringLiteral("Vantle %1 is available. Its download failed: %2.")
            .arg(status.version, reason(status));
    case UpdateState::failed:
        return QStringLiteral("Could not check for updates: %1.").arg(reason(status));
    }
    return {};
}
