// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/TidySchedule.h"

#include "platform/AppSettings.h"
#include "platform/ContinuousTimer.h"
#include "platform/Log.h"
#include "tidy/Tidier.h"

TidySchedule::TidySchedule(Tidier& tidier, Options options, QObject* parent)
    : QObject(parent), m_tidier(tidier), m_options(std::move(options)),
      m_timer(new ContinuousTimer(this))
{
    if (!m_options.clock)
        m_options.clock = [] { return QDateTime::currentDateTimeUtc(); };
}

TidySchedule::~TidySchedule() = default;

void TidySchedule::start()
{
    m_timer->cancelAll();
    scheduleIn(std::chrono::milliseconds(0));
}

void TidySchedule::stop()
{
    m_timer->cancelAll();
    m_stopped = true;
}

void TidySchedule::confirm(const TidyRule& rule, const QDateTime& now)
{
    settings::write(settings::tidyConfirmed, rule.fingerprint());
    settings::write(settings::tidyLastRun, now.toSecsSinceEpoch());
}

bool TidySchedule::isConfirmed(const TidyRule& rule)
{
    return rule.enabled && settings::readText(settings::tidyConfirmed) == rule.fingerprint();
}

void TidySchedule::setRuleEnabled(bool enabled)
{
    settings::write(settings::tidyConfirmed, QString());
    settings::write(settings::tidyEnabled, enabled);
}

void TidySchedule::scheduleIn(std::chrono::milliseconds delay)
{
    if (m_stopped)
        return;
    m_timer->scheduleAfter(delay, [this] { check(); });
}

void TidySchedule::check()
{
    const QDateTime now = m_options.clock();
    // A run of the user's own, or one before a restart, counts.
    const QDateTime last =
        QDateTime::fromSecsSinceEpoch(settings::readInteger(settings::tidyLastRun), Qt::UTC);
    const qint64 sinceLast = last.msecsTo(now);
    if (sinceLast >= 0 && sinceLast < m_options.interval.count()) {
        scheduleIn(std::chrono::milliseconds(m_options.interval.count() - sinceLast));
        return;
    }
    const TidyRule rule = TidyRule::fromSettings();
    if (!isConfirmed(rule)) {
        VANTLE_DIAG(lcApp, QStringLiteral("Tidy: the daily run waits for a preview"));
        Q_EMIT checked(false);
        scheduleIn(m_options.interval);
        return;
    }
    settings::write(settings::tidyLastRun, now.toSecsSinceEpoch());
    m_tidier.apply(rule).then(this, [this](const TidyReport& report) {
        VANTLE_DIAG(
            lcApp, QStringLiteral("Tidy: the daily run moved %1 item(s)").arg(report.movedCount()));
        Q_EMIT ran(report);
        Q_EMIT checked(true);
        scheduleIn(m_options.interval);
    });
}
