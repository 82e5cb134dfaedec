// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Registers the program to start at login: an XDG autostart entry that runs
// `executable`. Returns nothing on success, else the error's description.
std::optional<QString> registerLoginItem(const QString& entryPath, const QString& executable);

// Quotes an argument for the Exec key of a desktop entry.
QString quoteExecArgument(const QString& argument);
