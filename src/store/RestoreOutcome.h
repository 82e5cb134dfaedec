// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What became of taking a file Vantle trashed back out of the Trash.
struct RestoreOutcome {
    QString path;            // where the file is back; empty when it is not
    QString error;           // why it is not
    bool notInTrash = false; // no trashed file goes by that name

    bool restored() const { return !path.isEmpty(); }
};
