// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Session.h"

#include <QString>

namespace session {

bool isWayland()
{
    return qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool globalShortcutsWork()
{
    return !isWayland();
}

} // namespace session
