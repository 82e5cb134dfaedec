// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Sets QT_QPA_PLATFORM unless the user did. Panels place themselves and read
// the active window only through X11, so a Wayland session runs Vantle
// through XWayland; without XWayland Vantle is a Wayland client that answers
// downloads with desktop notifications.
void choosePlatform();

// Whether a graphical session can be reached before Qt is asked to open one
// (Qt aborts the process when its platform plugin cannot connect). On failure
// `reason` says why, in one line.
bool canReachGraphicalSession(QString* reason);

// Whether Vantle's floating panels can be put where it places them: on X11
// (XWayland included) and on the platforms tests draw on. A native Wayland
// client cannot place its own windows.
bool canShowToast();
