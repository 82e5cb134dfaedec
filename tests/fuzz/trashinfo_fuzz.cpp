// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "platform/TrashInfo.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = trashinfo::notedPath(fuzz::bytes(data, size));
    if (!path)
        return 0;
    // Written back the way the Trash writes it, the path reads the same.
    const QByteArray noted = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(*path, "/") +
                             "\nDeletionDate=2026-01-01T00:00:00\n";
    fuzz::require(trashinfo::notedPath(noted) == path, "a path round-trips its percent-encoding");
    return 0;
}
