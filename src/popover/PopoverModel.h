// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "popover/FollowedReads.h"
#include "popover/PopoverLists.h"
#include "store/RecordId.h"

#include <QHash>
#include <QObject>

class CleanupService;
class RecentlyTrashed;
class TrackedFileActor;

// The popover's lists, kept in step with the store while it is open, and
// what its buttons do to the records. The records are read on the store's
// thread and filtered (which looks at the disk) on a pool thread; the main
// thread only takes the result.
class PopoverModel : public QObject {
    Q_OBJECT
public:
    // `restores`: where files come back from the Trash, when there is such a place.
    PopoverModel(TrackedFileActor& store, CleanupService& cleanup,
                 RecentlyTrashed* restores = nullptr, QObject* parent = nullptr);

    // While following, every save of the store brings a fresh read, and so
    // does every file back from the Trash: one at a time, and however many
    // arrive meanwhile make one more.
    void setFollowing(bool following);
    void reload();
    const PopoverLists& lists() const { return m_lists; }
    bool hasRead() const { return m_hasRead; }
    // Reads started so far.
    int reads() const { return m_reads; }

    void keep(RecordId id);
    void keepAll();
    void deleteNow(RecordId id);
    void markTemporary(RecordId id);
    // "Keep forever" or "Unpin".
    void setPinned(RecordId id, bool pinned);
    // "Keep 1 more hour": the expiry moves `seconds` later.
    void extendExpiry(RecordId id, double seconds);

Q_SIGNALS:
    void listsChanged();

private:
    void read();
    // Shows why an action on the record failed on its row (or clears it).
    void setFailure(RecordId id, const QString& failure);

    TrackedFileActor& m_store;
    CleanupService& m_cleanup;
    PopoverLists m_lists;
    bool m_hasRead = false;
    FollowedReads m_reading{[this] { read(); }};
    int m_reads = 0;
    QHash<RecordId, QString> m_failures; // until the popover closes or the next action
};
