// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expiry/DurationParser.h"

#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <optional>

// The custom-lifetime input's state: the typed text and what it parses to.
// Kept between showings unless reset. Main thread only.
class TimeInputViewModel : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QString& query() const { return m_query; }
    const std::optional<ParsedDuration>& parsed() const { return m_parsed; }
    // Each notifies only when the value changes.
    void setQuery(const QString& query);
    void setParsed(const std::optional<ParsedDuration>& parsed);
    // An edit of the field: the text, then what it parses to.
    void edit(const QString& text);
    void reset();

    // Whether the row under the field shows (the echo and expiry, or the hint).
    bool showsResultRow() const;

    // "Expires 3:45 PM today", "… tomorrow", or "Expires Tue Dec 8 at 3:45 PM".
    static QString expiryText(const QDateTime& now, double interval,
                              const QLocale& locale = QLocale());

Q_SIGNALS:
    void queryChanged();
    void parsedChanged();

private:
    QString m_query;
    std::optional<ParsedDuration> m_parsed;
};
