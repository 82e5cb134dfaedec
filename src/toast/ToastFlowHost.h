// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/RecordId.h"
#include "toast/ToastGeometry.h"
#include "toast/ToastTypes.h"

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// What the toast's flows (move, custom time, More, Undo) may ask of the toast
// that runs them: its queue, its countdown, its whole-queue actions and its
// end. The flows never reach further into it.
class ToastFlowHost {
public:
    virtual const std::vector<ToastEntry>& toastEntries() const = 0;
    // Expanded with its badges: the only moment a panel may open.
    virtual bool isExpanded() const = 0;
    // The queued files are being trashed or offered back: nothing else acts on them.
    virtual bool isDeleting() const = 0;
    virtual void setPaused(bool paused) = 0;
    virtual void hide() = 0;
    // The island shows the state again; the keys it takes may change.
    virtual void updateContent() = 0;
    virtual void notifyInteraction() = 0;
    virtual std::optional<toastgeometry::ScreenFacts> currentScreenFacts() const = 0;
    virtual void showNotice(const QString& text) = 0;
    // The toast ended without an answer for these: what is still unprocessed is kept.
    virtual void settleRecords(std::vector<RecordId> ids) = 0;
    // These files leave the queue; an emptied toast hides.
    virtual void dropEntries(const std::vector<RecordId>& ids) = 0;
    virtual void markRecordsTemporary(std::vector<RecordId> ids,
                                      std::optional<double> interval) = 0;
    virtual void markTemporary() = 0;
    virtual void performOpen() = 0;
    virtual void performCopy() = 0;
    virtual void performDelete() = 0;

protected:
    ~ToastFlowHost() = default;
};

namespace toastflow {

// A callback that runs `work` in a later main-thread turn, and not at all
// once `owner` is gone: a view's signal never re-enters the flow it comes from.
template <class Owner> std::function<void()> soon(Owner* owner, std::function<void(Owner&)> work)
{
    QPointer<Owner> self(owner);
    return [self, work = std::move(work)] {
        if (self)
            QMetaObject::invokeMethod(
                self.data(), [self, work] { work(*self); }, Qt::QueuedConnection);
    };
}

// The queued files' names for the diagnostic lines: ["a", "b"].
inline QString nameList(const std::vector<ToastEntry>& entries)
{
    QStringList quoted;
    for (const ToastEntry& entry : entries)
        quoted.append(QLatin1Char('"') + entry.fileName + QLatin1Char('"'));
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

inline std::vector<RecordId> idsOf(const std::vector<ToastEntry>& entries)
{
    std::vector<RecordId> ids;
    for (const ToastEntry& entry : entries)
        ids.push_back(entry.id);
    return ids;
}

} // namespace toastflow
