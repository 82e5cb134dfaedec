// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/TrackedFile.h"

#include <QString>
#include <optional>
#include <vector>

// The start-up scan of the Downloads folder: the items already there, so that
// they are recorded as dismissed and never raise a toast.
struct InitialScan {
    std::vector<DownloadFileSnapshot> snapshots;
    std::optional<QString> error; // the listing failed
};

InitialScan scanDownloads(const QString& folder);

// Hidden names and unfinished downloads (crdownload, part, download) are not
// recorded at start-up.
bool isSkippedAtStartup(const QString& name);
