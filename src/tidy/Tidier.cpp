// SPDX-License-Identifier: GPL-3.0-or-later
#include "tidy/Tidier.h"

#include "platform/PoolWork.h"
#include "platform/PostedCalls.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QSet>

namespace {

const QString stopping = QStringLiteral("Vantle is stopping");

} // namespace

Tidier::Tidier(TrackedFileActor& store, Options options, QObject* parent)
    : QObject(parent), m_store(store), m_options(std::move(options))
{
    if (m_options.runPath.isEmpty())
        m_options.runPath = QFileInfo(store.recordTrash().journal().path()).absolutePath() +
                            QStringLiteral("/tidy-last-run.json");
    if (!m_options.clock)
        m_options.clock = [] { return QDateTime::currentDateTimeUtc(); };
    m_work.setObjectName(QStringLiteral("Tidier"));
    m_work.setMaxThreadCount(1);
}

Tidier::~Tidier()
{
    shutdown();
}

void Tidier::shutdown()
{
    m_stopped = true;
    m_work.waitForDone();
    deliverPostedCalls(this);
}

TidyPreview Tidier::previewNow(const TidyRule& rule) const
{
    QFuture<std::vector<TrackedFile>> records = m_store.recordsNewestFirst();
    records.waitForFinished();
    if (records.isCanceled() || records.resultCount() == 0)
        return TidyPreview{{}, stopping};
    return TidyPreview::of(
        rule, records.result(),
        {m_store.recordTrash().downloadsPath(), m_options.recentlyUsedPath, m_options.clock()});
}

QFuture<TidyPreview> Tidier::preview(const TidyRule& rule)
{
    if (m_stopped)
        return QtFuture::makeReadyFuture(TidyPreview{{}, stopping});
    return runInPool<TidyPreview>(m_work, [this, rule] { return previewNow(rule); });
}

QFuture<TidyReport> Tidier::apply(const TidyRule& rule)
{
    if (m_stopped)
        return QtFuture::makeReadyFuture(TidyReport{{}, stopping});
    return runInPool<TidyReport>(m_work, [this, rule] {
        return tidybatch::apply(previewNow(rule), m_store, m_options.runPath);
    });
}

QFuture<TidyReport> Tidier::apply(const TidyRule& rule, const TidyPreview& shown)
{
    if (m_stopped)
        return QtFuture::makeReadyFuture(TidyReport{{}, stopping});
    QSet<QPair<QString, quint64>> seen;
    for (const TidyItem& item : shown.items)
        seen.insert({item.path, item.inode});
    return runInPool<TidyReport>(m_work, [this, rule, seen] {
        TidyPreview now = previewNow(rule);
        std::erase_if(now.items, [&seen](const TidyItem& item) {
            return !seen.contains({item.path, item.inode});
        });
        return tidybatch::apply(now, m_store, m_options.runPath);
    });
}

QFuture<TidyReport> Tidier::undo()
{
    if (m_stopped)
        return QtFuture::makeReadyFuture(TidyReport{{}, stopping});
    return runInPool<TidyReport>(
        m_work, [this] { return tidybatch::undo(m_store, m_options.runPath, m_options.restore); });
}
