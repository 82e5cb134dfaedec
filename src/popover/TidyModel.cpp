// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/TidyModel.h"

#include "tidy/Tidier.h"
#include "tidy/TidySchedule.h"

#include <QFileInfo>

namespace {

QString items(int count)
{
    return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(count);
}

// "Moved 2 of 3 items. Not moved: a.txt (the reason)." — every failure named.
QString plainOutcome(const TidyReport& report, const QString& done, const QString& notDone)
{
    if (!report.error.isEmpty())
        return QStringLiteral("Nothing was %1: %2.").arg(done.toLower(), report.error);
    const int moved = report.movedCount();
    const int all = int(report.outcomes.size());
    QString text = moved == all
                       ? QStringLiteral("%1 %2.").arg(done, items(all))
                       : QStringLiteral("%1 %2 of %3.").arg(done).arg(moved).arg(items(all));
    QStringList failures;
    for (const TidyOutcome& outcome : report.outcomes) {
        if (!outcome.moved())
            failures.append(
                QStringLiteral("%1 (%2)").arg(QFileInfo(outcome.path).fileName(), outcome.error));
    }
    if (!failures.isEmpty())
        text += QLatin1Char(' ') + notDone + QStringLiteral(": ") +
                failures.join(QStringLiteral("; ")) + QLatin1Char('.');
    return text;
}

} // namespace

TidyModel::TidyModel(Tidier& tidier, std::function<QDateTime()> clock, QObject* parent)
    : QObject(parent), m_tidier(tidier), m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return QDateTime::currentDateTimeUtc(); };
}

void TidyModel::setPhase(Phase phase)
{
    m_phase = phase;
    Q_EMIT changed();
}

void TidyModel::refresh()
{
    if (m_phase == Phase::running || m_phase == Phase::undoing)
        return; // the run's end previews again
    m_rule = TidyRule::fromSettings();
    ++m_generation;
    if (!m_rule.enabled) {
        m_preview = {};
        setPhase(Phase::off);
        return;
    }
    previewNow();
}

void TidyModel::previewNow()
{
    const int generation = ++m_generation;
    setPhase(Phase::previewing);
    m_tidier.preview(m_rule).then(this, [this, generation](const TidyPreview& preview) {
        if (generation != m_generation)
            return;
        m_preview = preview;
        setPhase(Phase::ready);
    });
}

void TidyModel::tidyNow()
{
    if (m_phase != Phase::ready || m_preview.items.empty())
        return;
    ++m_generation;
    // Pressing "Tidy Now" on what the rule showed is what lets it run daily.
    TidySchedule::confirm(m_rule, m_clock());
    setPhase(Phase::running);
    m_tidier.apply(m_rule, m_preview).then(this, [this](const TidyReport& report) {
        m_phase = Phase::ready;
        takeReport(report);
    });
}

void TidyModel::showRun(const TidyReport& report)
{
    // A daily run that found nothing to take leaves the last run's undo standing.
    if (!report.outcomes.empty())
        takeReport(report);
}

void TidyModel::takeReport(const TidyReport& report)
{
    m_canUndo = report.movedCount() > 0;
    m_outcome = plainOutcome(report, QStringLiteral("Moved"), QStringLiteral("Not moved"));
    if (m_phase == Phase::ready)
        previewNow();
    else
        Q_EMIT changed();
}

void TidyModel::undo()
{
    if (!m_canUndo || m_phase == Phase::running || m_phase == Phase::undoing)
        return;
    ++m_generation;
    setPhase(Phase::undoing);
    m_tidier.undo().then(this, [this](const TidyReport& report) {
        // What could not come back can be tried again.
        m_canUndo = report.error.isEmpty() && report.movedCount() < int(report.outcomes.size());
        m_outcome =
            plainOutcome(report, QStringLiteral("Brought back"), QStringLiteral("Still away"));
        m_phase = Phase::ready;
        if (m_rule.enabled)
            previewNow();
        else
            setPhase(Phase::off);
    });
}
