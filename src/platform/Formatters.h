// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

// Byte counts in the file style: decimal units, "Zero KB" for 0, bytes below
// 1,000, KB without decimals, MB with one, GB and above with two, trailing
// zeros dropped ("999 bytes", "1 KB", "1.2 MB", "1.23 GB").
QString formatByteCount(std::int64_t bytes);
