// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// A typed duration: its length and the text that shows it back to the user.
struct ParsedDuration {
    double interval = 0; // seconds, always > 0 and finite
    QString echo;        // "2h 30m"

    friend bool operator==(const ParsedDuration&, const ParsedDuration&) = default;
};

// Reads short free-text durations such as "2h", "30 min", "1d 4h", "en 1 semana".
// Pure and stateless; safe on any thread.
class DurationParser {
public:
    // Nothing when the text holds no number-and-unit pair, when any unit word is
    // unknown, or when the total is not a positive, representable length.
    static std::optional<ParsedDuration> parse(const QString& text);

    // The words of `text` that belong to no number-and-unit pair and are no
    // leading phrase ("in", "dentro de"): "1h extra" has "extra".
    static QStringList strayWords(const QString& text);

    // The display form of a length in seconds: at most two units, largest
    // first, zeros dropped ("2h 30m", "1w", "45s").
    static QString echo(double seconds);
};

inline std::optional<ParsedDuration> parseDuration(const QString& text)
{
    return DurationParser::parse(text);
}
