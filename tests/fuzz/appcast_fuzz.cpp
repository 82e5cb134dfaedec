// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "updates/Appcast.h"

#include <QUrl>

namespace {
// HTTPS, or plain HTTP to this machine only; or no address at all.
bool safe(const QUrl& url)
{
    if (url.isEmpty())
        return true;
    const QString host = url.host();
    if (url.scheme() == QLatin1String("https"))
        return !host.isEmpty();
    return url.scheme() == QLatin1String("http") &&
           (host == QLatin1String("localhost") || host == QLatin1String("127.0.0.1") ||
            host == QLatin1String("::1"));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto item = newestAppcastItem(fuzz::bytes(data, size));
    if (!item)
        return 0;
    fuzz::require(!item->version.isEmpty() && !item->displayVersion.isEmpty(),
                  "a release has a version");
    fuzz::require(safe(item->enclosureUrl) && safe(item->downloadPage) &&
                      safe(item->releaseNotesLink),
                  "a feed never yields a non-https link");
    fuzz::require(item->enclosureLength >= 0, "an enclosure's length is not negative");
    fuzz::require(item->enclosureSha256.isEmpty() || item->enclosureSha256.size() == 32,
                  "a digest is 32 bytes or absent");
    fuzz::require(!isNewerVersion(item->version, item->version), "no version is newer than itself");
    return 0;
}
