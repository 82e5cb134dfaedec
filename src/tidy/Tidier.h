// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tidy/TidyBatch.h"
#include "tidy/TidyPreview.h"
#include "tidy/TidyRule.h"

#include <QDateTime>
#include <QFuture>
#include <QObject>
#include <QThreadPool>
#include <functional>

class TrackedFileActor;

// Previews, applies and undoes tidy rules off the main thread, one job at a
// time on a thread of its own (two runs never pick the same free name). Lives
// on the main thread; its jobs wait on the store, never the other way.
class Tidier : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString runPath;          // the last run, for Undo; empty: beside the store
        QString recentlyUsedPath; // see recentlyused::defaultPath
        tidybatch::Restorer restore;
        std::function<QDateTime()> clock; // defaults to the system's UTC clock
    };

    Tidier(TrackedFileActor& store, Options options, QObject* parent = nullptr);
    // Waits for the job running.
    ~Tidier() override;
    // Lets the job running end (at exit, before the store stops); no job
    // starts afterwards.
    void shutdown();

    QFuture<TidyPreview> preview(const TidyRule& rule);
    // Takes what the rule takes now, as one batch.
    QFuture<TidyReport> apply(const TidyRule& rule);
    // Takes only what `shown` listed and the rule still takes now: what the
    // user saw is all that may move.
    QFuture<TidyReport> apply(const TidyRule& rule, const TidyPreview& shown);
    // Brings the last batch back.
    QFuture<TidyReport> undo();

private:
    TidyPreview previewNow(const TidyRule& rule) const;

    TrackedFileActor& m_store;
    Options m_options;
    QThreadPool m_work;
    bool m_stopped = false;
};
