// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Formatters.h"

#include <QLocale>
#include <array>
#include <cmath>

QString formatByteCount(std::int64_t bytes)
{
    if (bytes == 0)
        return QStringLiteral("Zero KB");
    const QString sign = bytes < 0 ? QStringLiteral("-") : QString();
    // Magnitude as unsigned so that INT64_MIN has one too.
    const std::uint64_t magnitude =
        bytes < 0 ? std::uint64_t(0) - std::uint64_t(bytes) : std::uint64_t(bytes);
    if (magnitude < 1000)
        return sign + QString::number(magnitude) +
               (magnitude == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));

    static constexpr std::array<const char*, 6> units{"KB", "MB", "GB", "TB", "PB", "EB"};
    static constexpr std::array<int, 6> decimals{0, 1, 2, 2, 2, 2};
    std::size_t unit = 0;
    double value = double(magnitude) / 1000.0;
    while (unit + 1 < units.size() && value >= 1000.0) {
        value /= 1000.0;
        ++unit;
    }
    // Rounding may carry into the next unit (999,999 bytes is "1 MB").
    double scale = std::pow(10.0, decimals[unit]);
    double rounded = std::round(value * scale) / scale;
    if (rounded >= 1000.0 && unit + 1 < units.size()) {
        ++unit;
        scale = std::pow(10.0, decimals[unit]);
        rounded = std::round(value / 1000.0 * scale) / scale;
    }
    QString number = QLocale::c().toString(rounded, 'f', decimals[unit]);
    if (number.contains(QLatin1Char('.'))) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(QLatin1Char('.')))
            number.chop(1);
    }
    return sign + number + QLatin1Char(' ') + QLatin1String(units[unit]);
}

QString diagnosticDate(const std::optional<QDateTime>& date)
{
    if (!date || !date->isValid())
        return QStringLiteral("nil");
    return date->toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}
