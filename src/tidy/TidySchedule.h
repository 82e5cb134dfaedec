// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tidy/TidyBatch.h"
#include "tidy/TidyRule.h"

#include <QDateTime>
#include <QObject>
#include <chrono>
#include <functional>

class ContinuousTimer;
class Tidier;

// The rule's run on its own, once a day while it is on. The first run after
// the rule was turned on or changed waits for the user: until they have seen
// its preview and pressed "Tidy Now", the daily run does nothing. That
// confirmation is kept with the settings, for the rule as it was then.
class TidySchedule : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds dailyInterval = std::chrono::hours(24);

    struct Options {
        std::chrono::milliseconds interval = dailyInterval;
        std::function<QDateTime()> clock; // defaults to the system's UTC clock
    };

    TidySchedule(Tidier& tidier, Options options, QObject* parent = nullptr);
    ~TidySchedule() override;

    // Checks at once whether a run is due, then once per interval.
    void start();
    // No run starts afterwards (at exit).
    void stop();

    // The user applied this rule's preview: it may run on its own from now
    // on, the next time a day after this run.
    static void confirm(const TidyRule& rule, const QDateTime& now);
    static bool isConfirmed(const TidyRule& rule);
    // Turns the rule on or off; either way its next run waits for a preview.
    static void setRuleEnabled(bool enabled);

Q_SIGNALS:
    // A run was due: whether it ran (false: the rule is off or waits for a preview).
    void checked(bool ran);
    void ran(const TidyReport& report);

private:
    void check();
    void scheduleIn(std::chrono::milliseconds delay);

    Tidier& m_tidier;
    Options m_options;
    ContinuousTimer* m_timer;
    bool m_stopped = false;
};
