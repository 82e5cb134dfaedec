// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdateAddress.h"

#include <QHostAddress>
#include <QUrl>

bool isAllowedUpdateAddress(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return true;
    if (url.scheme() != QLatin1String("http"))
        return false;
    return url.host() == QLatin1String("localhost") || QHostAddress(url.host()).isLoopback();
}
