// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <optional>

// The unit of the default lifetime, persisted as its raw value.
enum class ExpiryUnit { minutes, hours, days };

inline constexpr std::array<ExpiryUnit, 3> allExpiryUnits{ExpiryUnit::minutes, ExpiryUnit::hours,
                                                          ExpiryUnit::days};

QString rawValue(ExpiryUnit unit);
std::optional<ExpiryUnit> expiryUnitFromRaw(const QString& raw);
double secondsPerUnit(ExpiryUnit unit);
// "hour", "hours": singular at exactly 1.
QString unitWord(ExpiryUnit unit, qint64 amount);

// The default lifetime of a file marked temporary without a typed duration,
// read from the settings at every call (any thread).
qint64 defaultExpiryValue();    // 1...999, else 1
ExpiryUnit defaultExpiryUnit(); // hours unless "minutes" or "days"
double defaultExpiryInterval(); // value × seconds of the unit; 3600 with no settings
