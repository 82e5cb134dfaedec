// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"

#include <vector>

namespace trashlisting {

// Every item in the system Trash: trash:/// as GIO lists it, together with
// the home Trash read directly (the trash backend may belong to a session
// with another home, or be missing, as without gvfs). Without the backend
// the Trash folders of the local volumes are read directly too. Blocking.
std::vector<TrashEntry> systemEntries();

// One Trash folder (holding files/ and info/) read as the freedesktop layout
// describes it. `top` is the volume's top folder, which the relative paths
// of a per-volume Trash start from; empty for the home Trash.
std::vector<TrashEntry> folderEntries(const QString& trashFolder, const QString& top = {});

} // namespace trashlisting
