// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "expiry/DurationParser.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    DurationParser::strayWords(text);
    const auto parsed = DurationParser::parse(text);
    if (!parsed)
        return 0;
    fuzz::require(std::isfinite(parsed->interval) && parsed->interval > 0 &&
                      parsed->interval < 9223372036854775808.0,
                  "a parsed duration is positive, finite and fits whole seconds");
    fuzz::require(!parsed->echo.isEmpty() && parsed->echo == DurationParser::echo(parsed->interval),
                  "the echo shows the parsed length");
    fuzz::require(DurationParser::parse(QStringLiteral("in ") + text) == parsed,
                  "a leading phrase changes nothing");
    return 0;
}
