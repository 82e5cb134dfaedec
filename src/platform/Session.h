// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The kind of desktop session Vantle runs in, from the environment it was
// started with.
namespace session {

// A Wayland session (XDG_SESSION_TYPE, WAYLAND_DISPLAY), whether or not Vantle
// itself runs through XWayland.
bool isWayland();

// Whether keys pressed in other applications reach Vantle's grabs. Under
// Wayland an X11 client sees the keyboard only while an X11 window has focus,
// so the toast's global shortcuts would work only now and then.
bool globalShortcutsWork();

} // namespace session
