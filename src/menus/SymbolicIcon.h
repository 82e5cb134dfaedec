// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// A monochrome symbolic icon of the system's Adwaita set ("user-trash" finds
// user-trash-symbolic.svg), drawn in `tint` at whatever size and scale it is
// asked for, dimmed when disabled. Falls back to the theme's own icon of that
// name when the set is not installed.
QIcon symbolicIcon(const QString& name, const QColor& tint = QColor(255, 255, 255, 222));
