// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A one-off desktop notification from a process without windows (the
// command line started by a file manager), through the session bus's
// org.freedesktop.Notifications.
namespace desktopnotice {

// Shows `summary` with `body` (plain text); false when no notification
// server took it.
bool show(const QString& summary, const QString& body);

} // namespace desktopnotice
