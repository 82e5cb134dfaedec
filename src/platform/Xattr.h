// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Extended attributes of the item at a path itself: symbolic links are never
// followed. Any failure (missing attribute, unsupported file system, a link,
// which Linux refuses user attributes on) reads as absent.
namespace xattr {

std::optional<QByteArray> get(const QString& path, const char* name);
bool set(const QString& path, const char* name, const QByteArray& value);
bool remove(const QString& path, const char* name);

} // namespace xattr
