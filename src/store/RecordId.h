// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <cstdint>
#include <functional>

// The store's persistent identifier of a record: its row id, never reused.
struct RecordId {
    std::int64_t value = 0;

    bool isValid() const { return value > 0; }
    QString description() const { return QStringLiteral("TrackedFile(%1)").arg(value); }
    friend bool operator==(RecordId, RecordId) = default;
    friend auto operator<=>(RecordId, RecordId) = default;
};

inline size_t qHash(RecordId id, size_t seed = 0) noexcept
{
    return qHash(id.value, seed);
}

template <> struct std::hash<RecordId> {
    size_t operator()(RecordId id) const noexcept { return std::hash<std::int64_t>{}(id.value); }
};

Q_DECLARE_METATYPE(RecordId)
