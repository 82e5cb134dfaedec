// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"
#include "store/RestoreOutcome.h"

#include <QFuture>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class ToastFlowHost;
class TrackedFileActor;

// The toast's delete and the "Undo" it offers for the rest of the countdown.
class ToastUndoFlow : public QObject {
    Q_OBJECT
public:
    // Takes a file Vantle trashed back out of the Trash, by its place there.
    using Restore = std::function<QFuture<RestoreOutcome>(const QString&)>;
    ToastUndoFlow(ToastFlowHost& host, TrackedFileActor& store, Restore restore);

    // Trashes every queued file. Once the Trash has answered for them all,
    // what it took is offered back ("Undo"); what it refused is told and
    // kept. Until then, nothing else acts on those files.
    void deleteQueued();
    // Takes that delete back.
    void undo();
    bool showsUndo() const { return m_showsUndo; }
    // The queued files are being trashed or offered back.
    bool holdsQueue() const { return m_showsUndo || m_pending; }
    // The toast has moved on: nothing is offered back for the files it showed.
    void clear();

private:
    // One delete: its answers may come after the toast has moved on.
    struct Batch {
        int pendingTrashes = 0;         // trashings not answered yet
        std::vector<QString> locations; // where its files lie in the Trash
        QStringList unplaced;           // files trashed to a place the Trash did not tell
        std::vector<RecordId> refused;  // files the Trash did not take
    };
    void answered(const std::shared_ptr<Batch>& batch);
    void carryOut(const std::shared_ptr<Batch>& batch);

    ToastFlowHost& m_host;
    TrackedFileActor& m_store;
    Restore m_restore;
    bool m_showsUndo = false;
    std::shared_ptr<Batch> m_pending; // the delete the Trash is answering for
    std::shared_ptr<Batch> m_batch;   // the delete "Undo" takes back
};
