// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

    // Trashes every queued file.
    void deleteQueued();
    // Takes that delete back, once the Trash has answered, even when the
    // toast has moved on to new files by then; what cannot come back is
    // told in the notice.
    void undo();
    bool showsUndo() const { return m_showsUndo; }
    // The toast has moved on: "Undo" is no longer offered (a click still
    // owed its undo keeps its own batch).
    void clear();

private:
    // The delete the shown "Undo" takes back; its answers may come after
    // the toast has moved on to other files.
    struct Batch {
        int pendingTrashes = 0;         // trashings not answered yet
        std::vector<QString> locations; // where its files lie in the Trash
        QStringList unplaced;           // files trashed to a place the Trash did not tell
        bool requested = false;         // "Undo" was clicked
    };
    void carryOut(const std::shared_ptr<Batch>& batch);

    ToastFlowHost& m_host;
    TrackedFileActor& m_store;
    Restore m_restore;
    bool m_showsUndo = false;
    std::shared_ptr<Batch> m_batch;
};
