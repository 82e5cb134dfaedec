// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace popovergeometry {

inline constexpr QSize size{360, 440};
inline constexpr int gap = 4;

// Where the popover goes: under the tray icon when the tray says where it is
// (above it when the icon sits at the bottom of the screen), else at the
// pointer; always inside the screen's available area.
QRect frame(std::optional<QRect> icon, QPoint pointer, const QRect& available);

} // namespace popovergeometry
