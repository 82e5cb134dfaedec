// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// Byte counts in the file style: decimal units, "Zero KB" for 0, bytes below
// 1,000, KB without decimals, MB with one, GB and above with two, trailing
// zeros dropped ("999 bytes", "1 KB", "1.2 MB", "1.23 GB").
QString formatByteCount(std::int64_t bytes);

// A date as the diagnostic lines print it, in UTC: "2026-12-06 11:33:57 +0000";
// "nil" for none.
QString diagnosticDate(const std::optional<QDateTime>& date);
