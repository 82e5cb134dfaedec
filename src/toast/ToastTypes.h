// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"

#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>

// One queued file of the toast.
struct ToastEntry {
    RecordId id;
    QString fileName;
    QString filePath;
    std::int64_t fileSize = 0;
    std::optional<QUrl> origin; // where it was downloaded from, when known
    bool isFolder = false;
};

// The display row handed to the island.
struct ToastFileItem {
    QString id; // the record identifier's description
    QString fileName;
    QString fileSize; // display text
    QString filePath;
    int index = 0;      // position in the queue, from 1
    QString originHost; // the host it was downloaded from; empty when unknown

    friend bool operator==(const ToastFileItem&, const ToastFileItem&) = default;
};

// `hidden`: the island is collapsed (or off screen); `visible`: expanded and interactive.
enum class DynamicIslandToastState { hidden, visible };
