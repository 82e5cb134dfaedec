// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/DurationParser.h"

#include <QRegularExpression>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace {

enum class Unit { seconds, minutes, hours, days, weeks };

double secondsPer(Unit unit)
{
    switch (unit) {
    case Unit::seconds:
        return 1;
    case Unit::minutes:
        return 60;
    case Unit::hours:
        return 3600;
    case Unit::days:
        return 86400;
    case Unit::weeks:
        return 604800;
    }
    return 1;
}

struct UnitWord {
    const char16_t* word;
    Unit unit;
};

// Whole, lower-case words; a lone "m" is minutes. No months or years.
constexpr std::array<UnitWord, 37> unitWords{{
    {u"s", Unit::seconds},       {u"sec", Unit::seconds},      {u"secs", Unit::seconds},
    {u"second", Unit::seconds},  {u"seconds", Unit::seconds},  {u"seg", Unit::seconds},
    {u"segundo", Unit::seconds}, {u"segundos", Unit::seconds}, {u"m", Unit::minutes},
    {u"min", Unit::minutes},     {u"mins", Unit::minutes},     {u"minute", Unit::minutes},
    {u"minutes", Unit::minutes}, {u"minuto", Unit::minutes},   {u"minutos", Unit::minutes},
    {u"h", Unit::hours},         {u"hr", Unit::hours},         {u"hrs", Unit::hours},
    {u"hour", Unit::hours},      {u"hours", Unit::hours},      {u"hora", Unit::hours},
    {u"horas", Unit::hours},     {u"d", Unit::days},           {u"day", Unit::days},
    {u"days", Unit::days},       {u"día", Unit::days},         {u"dia", Unit::days},
    {u"días", Unit::days},       {u"dias", Unit::days},        {u"w", Unit::weeks},
    {u"wk", Unit::weeks},        {u"wks", Unit::weeks},        {u"week", Unit::weeks},
    {u"weeks", Unit::weeks},     {u"sem", Unit::weeks},        {u"semana", Unit::weeks},
    {u"semanas", Unit::weeks},
}};

std::optional<Unit> lookUp(QStringView word)
{
    for (const UnitWord& entry : unitWords) {
        if (word == QStringView(entry.word))
            return entry.unit;
    }
    return std::nullopt;
}

// Tried in this order, each with its trailing blank.
constexpr std::array<const char16_t*, 6> leadingPhrases{u"in ",  u"for ",     u"en ",
                                                        u"por ", u"durante ", u"dentro de "};

bool isBlank(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

// Trims blanks but keeps line breaks.
QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

QString stripLeadingPhrases(QString text)
{
    bool stripped = true;
    while (stripped) {
        stripped = false;
        for (const char16_t* phrase : leadingPhrases) {
            const QStringView view(phrase);
            if (text.startsWith(view)) {
                text.remove(0, view.size());
                stripped = true;
                break;
            }
        }
    }
    return trimBlanks(text);
}

// Reads digits with an optional "." fraction, C-locale, consuming all of it.
// Digits of other scripts match the pattern but are no number here.
std::optional<double> readNumber(QString group)
{
    group.replace(QLatin1Char(','), QLatin1Char('.'));
    std::string ascii;
    ascii.reserve(size_t(group.size()));
    for (QChar c : group) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        ascii.push_back(char(c.unicode()));
    }
    double value = 0;
    const char* end = ascii.data() + ascii.size();
    const auto [ptr, error] = std::from_chars(ascii.data(), end, value);
    if (ptr != end)
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Too large is infinite (the total then is rejected); too small is 0.
        const auto point = ascii.find('.');
        const std::string whole = ascii.substr(0, point);
        return whole.find_first_not_of('0') != std::string::npos ? HUGE_VAL : 0.0;
    }
    if (error != std::errc())
        return std::nullopt;
    return value;
}

const QRegularExpression& tokenPattern()
{
    static const QRegularExpression pattern(QStringLiteral("(\\d+(?:[.,]\\d+)?)\\s*([a-záéíóúñ]+)"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

// Lone surrogates become U+FFFD so that the pattern sees well-formed text.
QString withoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

// 2^63 seconds: beyond it a length has no whole-second form.
constexpr double longestInterval = 9223372036854775808.0;

} // namespace

std::optional<ParsedDuration> DurationParser::parse(const QString& input)
{
    QString text = withoutLoneSurrogates(input).trimmed().toLower();
    if (text.isEmpty())
        return std::nullopt;
    text = stripLeadingPhrases(std::move(text));

    double sum = 0;
    bool anyToken = false;
    auto matches = tokenPattern().globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const std::optional<double> value = readNumber(match.captured(1));
        if (!value || !(*value > 0))
            continue;
        const std::optional<Unit> unit = lookUp(match.capturedView(2));
        // One unknown unit word spoils the whole text.
        if (!unit)
            return std::nullopt;
        anyToken = true;
        sum += *value * secondsPer(*unit);
    }
    if (!anyToken || !(sum > 0) || !std::isfinite(sum) || sum >= longestInterval)
        return std::nullopt;
    return ParsedDuration{sum, echo(sum)};
}

QStringList DurationParser::strayWords(const QString& input)
{
    QString text = stripLeadingPhrases(withoutLoneSurrogates(input).trimmed().toLower());
    text.replace(tokenPattern(), QStringLiteral(" "));
    static const QRegularExpression blanks(QStringLiteral("[\\s,]+"));
    return text.split(blanks, Qt::SkipEmptyParts);
}

QString DurationParser::echo(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= longestInterval)
        return {};
    static constexpr std::array<std::pair<std::int64_t, char>, 5> units{
        {{604800, 'w'}, {86400, 'd'}, {3600, 'h'}, {60, 'm'}, {1, 's'}}};
    const auto total = std::int64_t(std::llround(seconds));
    // The largest non-zero unit and the next smaller one; the rest is cut off.
    for (size_t i = 0; i < units.size(); ++i) {
        const std::int64_t first = total / units[i].first;
        if (first == 0)
            continue;
        QString text = QString::number(first) + QLatin1Char(units[i].second);
        if (i + 1 < units.size()) {
            const std::int64_t second = (total % units[i].first) / units[i + 1].first;
            if (second != 0)
                text +=
                    QLatin1Char(' ') + QString::number(second) + QLatin1Char(units[i + 1].second);
        }
        return text;
    }
    // Under half a second: nothing to show in whole units.
    return QString::number(std::int64_t(seconds)) + QLatin1Char('s');
}
