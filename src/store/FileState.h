// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Life-cycle state of a tracked item, persisted as its raw value.
enum class FileState { unprocessed, temporary, dismissed };

inline QString rawValue(FileState state)
{
    switch (state) {
    case FileState::unprocessed:
        return QStringLiteral("unprocessed");
    case FileState::temporary:
        return QStringLiteral("temporary");
    case FileState::dismissed:
        return QStringLiteral("dismissed");
    }
    return {};
}

// Exactly the three raw values, case-sensitive; anything else gives nothing.
inline std::optional<FileState> fileStateFromRaw(const QString& raw)
{
    if (raw == QLatin1String("unprocessed"))
        return FileState::unprocessed;
    if (raw == QLatin1String("temporary"))
        return FileState::temporary;
    if (raw == QLatin1String("dismissed"))
        return FileState::dismissed;
    return std::nullopt;
}
