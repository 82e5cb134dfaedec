// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/DurationParser.h"
#include "TestSupport.h"

TEST(DurationParserTest, readsLengthsAndEchoesThemInAtMostTwoUnits)
{
    struct Case {
        const char* input;              // UTF-8
        std::optional<double> interval; // nothing: rejected
        const char* echo = nullptr;
    };
    const std::vector<Case> cases{
        // English units, alone and combined; text between tokens is ignored.
        Case{"2h", 7200, "2h"}, Case{"30 min", 1800, "30m"}, Case{"1d 4h", 100800, "1d 4h"},
        Case{"2h30m", 9000, "2h 30m"}, Case{"2 hours and 30 minutes", 9000, "2h 30m"},
        Case{"45s", 45, "45s"}, Case{"1 week", 604800, "1w"}, Case{"3 wks", 1814400, "3w"},
        Case{"90 secs", 90, "1m 30s"}, Case{"1m", 60, "1m"},
        // Decimal comma and point; surrounding blanks and line breaks.
        Case{"1,5h", 5400, "1h 30m"}, Case{"1.5h", 5400, "1h 30m"}, Case{"  \n 2h \t\n", 7200},
        // Spanish, with and without accents; the leading phrases, repeated, in upper case.
        Case{"dentro de 2 horas", 7200}, Case{"por 3 días", 259200, "3d"},
        Case{"1 semana 3 dias", 864000}, Case{"durante 5 minutos 20 segundos", 320},
        Case{"In for en por 2H", 7200},
        // Rejected: no unit, unknown words anywhere. (Zero, empty and overflowing lengths:
        // duration_fuzz holds every accepted one positive and finite.)
        Case{"90", std::nullopt}, Case{"2 xyz", std::nullopt}, Case{"2h 3 xyz", std::nullopt},
        Case{"h", std::nullopt}, Case{"2 months", std::nullopt},
        // A zero token is dropped, the rest counts.
        Case{"0h 30m", 1800, "30m"}, Case{"0 xyz 2h", 7200},
        // Digits of other scripts match but are no number: the token is ignored.
        Case{"٢h", std::nullopt}, Case{"٢h 3m", 180},
        // A letter outside the set ends the unit word.
        Case{"2 hü", 7200}, Case{"2 hé", std::nullopt},
        // Fractions that leave a tail, and sums no whole-second form can hold.
        Case{"1.5.5h", 19800}, Case{"0.5s", 0.5, "1s"}, Case{"0.4s", 0.4, "0s"},
        Case{"1d 0h 5m", 86700, "1d"},
        // The echo shows at most two units, largest first.
        Case{"59s 59m 23h", 86399, "23h 59m"}, Case{"15250284452471w", 9223372036854460800.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const auto parsed = DurationParser::parse(QString::fromUtf8(c.input));
        EXPECT_EQ(parsed ? std::optional(parsed->interval) : std::nullopt, c.interval);
        if (parsed && c.echo) {
            EXPECT_EQ(parsed->echo.toStdString(), c.echo);
        }
    }
}
