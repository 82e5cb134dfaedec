// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// The expiry a lifetime change set; none with an `error` when the store
// could not keep it, none without one when the record is gone or not
// temporary.
struct MarkedExpiry : std::optional<QDateTime> {
    using std::optional<QDateTime>::optional;
    MarkedExpiry() = default;
    MarkedExpiry(std::optional<QDateTime> at) : std::optional<QDateTime>(std::move(at)) {}

    static MarkedExpiry failed(QString why)
    {
        MarkedExpiry none;
        none.error = std::move(why);
        return none;
    }

    QString error;
};
