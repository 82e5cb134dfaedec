// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/ToastUndoFlow.h"

#include "platform/Log.h"
#include "store/TrackedFileActor.h"
#include "toast/ToastFlowHost.h"

ToastUndoFlow::ToastUndoFlow(ToastFlowHost& host, TrackedFileActor& store, Restore restore)
    : m_host(host), m_store(store), m_restore(std::move(restore))
{
}

void ToastUndoFlow::clear()
{
    m_showsUndo = false;
    m_pending.reset();
    m_batch.reset();
}

void ToastUndoFlow::deleteQueued()
{
    if (holdsQueue())
        return; // already trashed, or being trashed
    // A copy: an answer may come within the loop and change the queue.
    const std::vector<ToastEntry> entries = m_host.toastEntries();
    if (entries.empty()) {
        m_host.hide();
        return;
    }
    VANTLE_DIAG(
        lcToast,
        QStringLiteral("ToastController.performDelete: trashing %1 file(s) ").arg(entries.size()) +
            toastflow::nameList(entries));
    // Counted and pending before the first call: a Trash that answers at
    // once has its answer handled on the spot.
    auto batch = std::make_shared<Batch>();
    batch->pendingTrashes = int(entries.size());
    if (m_restore) {
        m_pending = batch;
        m_host.notifyInteraction();
    }
    for (const ToastEntry& entry : entries) {
        const QString name = entry.fileName;
        const RecordId id = entry.id;
        m_store.deleteNow(id).then(
            this, [this, batch, name, id](const RecordTrash::Result& result) {
                --batch->pendingTrashes;
                if (result.outcome == RecordTrash::Outcome::failed ||
                    result.outcome == RecordTrash::Outcome::refused) {
                    batch->refused.push_back(id);
                    m_host.showNotice(QStringLiteral("Couldn't move “") + name +
                                      QStringLiteral("” to the Trash: ") + result.detail);
                } else if (result.outcome == RecordTrash::Outcome::trashed &&
                           result.location.isEmpty()) {
                    batch->unplaced.append(name);
                } else if (result.outcome == RecordTrash::Outcome::trashed) {
                    batch->locations.push_back(result.location);
                }
                if (batch->pendingTrashes == 0)
                    answered(batch);
            });
    }
    if (!m_restore)
        m_host.hide(); // nothing could be taken back
}

void ToastUndoFlow::answered(const std::shared_ptr<Batch>& batch)
{
    // What the Trash refused has had its answer: it stays, kept.
    m_host.settleRecords(batch->refused);
    if (batch != m_pending)
        return; // the toast has moved on: nothing to offer back
    m_pending.reset();
    if (batch->locations.empty() && batch->unplaced.isEmpty()) {
        m_host.hide();
        return;
    }
    m_host.dropEntries(batch->refused);
    // The toast stays for the rest of its countdown, offering to take it back.
    m_showsUndo = true;
    m_batch = batch;
    m_host.updateContent();
}

void ToastUndoFlow::undo()
{
    if (!m_showsUndo || !m_batch)
        return;
    const std::shared_ptr<Batch> batch = std::move(m_batch);
    m_host.hide();
    carryOut(batch);
}

void ToastUndoFlow::carryOut(const std::shared_ptr<Batch>& batch)
{
    VANTLE_DIAG(lcToast, QStringLiteral("ToastController.undoDelete: restoring %1 file(s)")
                             .arg(batch->locations.size()));
    for (const QString& name : std::as_const(batch->unplaced))
        m_host.showNotice(QStringLiteral("Couldn't take “") + name +
                          QStringLiteral("” back: the Trash did not tell where it put it; "
                                         "restore it from the Trash"));
    for (const QString& location : batch->locations) {
        m_restore(location).then(this, [this, location](const RestoreOutcome& outcome) {
            if (!outcome.restored())
                m_host.showNotice(QStringLiteral("Couldn't take “") + location.section('/', -1) +
                                  QStringLiteral("” back out of the Trash: ") + outcome.error);
        });
    }
    batch->unplaced.clear();
    batch->locations.clear();
}
