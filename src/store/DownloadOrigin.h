// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// Where a download came from, as browsers and download tools record it in
// the item's `user.xdg.origin.url` attribute. Only an http(s) address with a
// host counts: anything else (another scheme, a malformed value) is unknown.
namespace downloadorigin {

std::optional<QUrl> fromAttribute(const QByteArray& value);
// Reads the attribute; blocking.
std::optional<QUrl> of(const QString& path);

} // namespace downloadorigin

struct FileDetails;
struct TrackedFile;
// What the toast shows of a record, its origin read from the item; blocking.
FileDetails detailsOf(const TrackedFile& record);
