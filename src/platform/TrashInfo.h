// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace trashinfo {

// The original path a .trashinfo file notes, its percent-encoding undone:
// absolute for the home Trash, relative to the volume's top folder for a
// volume's Trash. Nothing when the file notes no path.
std::optional<QString> notedPath(const QByteArray& contents);

} // namespace trashinfo
