// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/ExpiryUnit.h"

#include "platform/AppSettings.h"

QString unitWord(ExpiryUnit unit, qint64 amount)
{
    const char* word = unit == ExpiryUnit::minutes ? "minute"
                       : unit == ExpiryUnit::days  ? "day"
                                                   : "hour";
    return QLatin1String(word) + (amount == 1 ? QString() : QStringLiteral("s"));
}

QString rawValue(ExpiryUnit unit)
{
    switch (unit) {
    case ExpiryUnit::minutes:
        return QStringLiteral("minutes");
    case ExpiryUnit::hours:
        return QStringLiteral("hours");
    case ExpiryUnit::days:
        return QStringLiteral("days");
    }
    return {};
}

std::optional<ExpiryUnit> expiryUnitFromRaw(const QString& raw)
{
    for (ExpiryUnit unit : allExpiryUnits) {
        if (rawValue(unit) == raw)
            return unit;
    }
    return std::nullopt;
}

double secondsPerUnit(ExpiryUnit unit)
{
    switch (unit) {
    case ExpiryUnit::minutes:
        return 60;
    case ExpiryUnit::hours:
        return 3600;
    case ExpiryUnit::days:
        return 86400;
    }
    return 3600;
}

qint64 defaultExpiryValue()
{
    return settings::readInteger(settings::expiryValue);
}

ExpiryUnit defaultExpiryUnit()
{
    return expiryUnitFromRaw(settings::readText(settings::expiryUnit)).value_or(ExpiryUnit::hours);
}

double defaultExpiryInterval()
{
    return double(defaultExpiryValue()) * secondsPerUnit(defaultExpiryUnit());
}
