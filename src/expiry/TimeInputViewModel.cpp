// SPDX-License-Identifier: GPL-3.0-or-later
#include "expiry/TimeInputViewModel.h"

#include <cmath>

void TimeInputViewModel::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    Q_EMIT queryChanged();
}

void TimeInputViewModel::setParsed(const std::optional<ParsedDuration>& parsed)
{
    if (parsed == m_parsed)
        return;
    m_parsed = parsed;
    Q_EMIT parsedChanged();
}

void TimeInputViewModel::edit(const QString& text)
{
    setQuery(text);
    setParsed(DurationParser::parse(text));
}

void TimeInputViewModel::reset()
{
    setQuery(QString());
    setParsed(std::nullopt);
}

bool TimeInputViewModel::showsResultRow() const
{
    // Blanks are spaces and tabs; a line break counts as text.
    for (const QChar c : m_query) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
            return true;
    }
    return false;
}

QString TimeInputViewModel::expiryText(const QDateTime& now, double interval, const QLocale& locale)
{
    const QDateTime local = now.toLocalTime();
    const QDateTime at = local.addMSecs(qint64(std::llround(interval * 1000.0)));
    // Hours and minutes only; some locales' short format carries seconds.
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
    const QString time = locale.toString(at.time(), format);
    const qint64 days = local.date().daysTo(at.date());
    if (days == 0)
        return QStringLiteral("Expires ") + time + QStringLiteral(" today");
    if (days == 1)
        return QStringLiteral("Expires ") + time + QStringLiteral(" tomorrow");
    return QStringLiteral("Expires ") + locale.toString(at.date(), QStringLiteral("ddd MMM d")) +
           QStringLiteral(" at ") + time;
}
