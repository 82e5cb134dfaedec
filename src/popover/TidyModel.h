// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tidy/TidyBatch.h"
#include "tidy/TidyPreview.h"
#include "tidy/TidyRule.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>

class Tidier;

// The popover's "Tidy up" section: what the rule in the settings would take
// now (worked out on the Tidier's thread), "Tidy Now" for exactly that, and
// "Undo Tidy" for the run it made. Lives on the main thread.
class TidyModel : public QObject {
    Q_OBJECT
public:
    enum class Phase { off, previewing, ready, running, undoing };

    TidyModel(Tidier& tidier, std::function<QDateTime()> clock = {}, QObject* parent = nullptr);

    // Reads the rule again and, when it is on, previews it (the popover opened).
    void refresh();
    // Applies what the preview listed, and lets the rule run on its own.
    void tidyNow();
    void undo();
    // A run made elsewhere (the daily one): its outcome, and its undo, show here.
    void showRun(const TidyReport& report);

    Phase phase() const { return m_phase; }
    const TidyRule& rule() const { return m_rule; }
    const TidyPreview& preview() const { return m_preview; }
    // Whether the last run of this session can be undone.
    bool canUndo() const { return m_canUndo; }
    // What the last run or undo did, in plain words; empty before one.
    const QString& outcome() const { return m_outcome; }

Q_SIGNALS:
    void changed();

private:
    void setPhase(Phase phase);
    void takeReport(const TidyReport& report);
    void previewNow();

    Tidier& m_tidier;
    std::function<QDateTime()> m_clock;
    Phase m_phase = Phase::off;
    TidyRule m_rule;
    TidyPreview m_preview;
    bool m_canUndo = false;
    QString m_outcome;
    int m_generation = 0; // answers to an older refresh are dropped
};
