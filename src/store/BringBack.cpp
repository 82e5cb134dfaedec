// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/BringBack.h"

#include "platform/FileSystem.h"
#include "platform/FileTransfer.h"
#include "platform/FreeName.h"
#include "platform/Log.h"
#include "store/TrackedFileActor.h"

#include <QFileInfo>
#include <QSet>

namespace {

// A name taken between choosing it and the move costs another try; this
// many, then the item stays where it is.
constexpr int nameAttempts = 3;

const QString stopping = QStringLiteral("Vantle is stopping");

// One item of a round, and the free name chosen for it.
struct Pick {
    std::size_t index;
    QString target;
    std::int64_t size;
};

template <typename T> std::optional<T> waitFor(QFuture<T> future)
{
    future.waitForFinished();
    if (future.isCanceled() || future.resultCount() == 0)
        return std::nullopt;
    return future.result();
}

} // namespace

std::vector<RestoreOutcome> bringback::all(TrackedFileActor& store, const std::vector<Item>& items,
                                           const Move& move)
{
    std::vector<RestoreOutcome> outcomes(items.size());
    std::vector<int> attempts(items.size(), 0);
    const QString downloads = store.recordTrash().downloadsPath();
    std::vector<std::size_t> waiting(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        waiting[i] = i;
    // Each round gives every name once: an item whose free name another of
    // the round took waits for the next, which sees that name taken.
    while (!waiting.empty()) {
        std::vector<Pick> picks;
        std::vector<std::size_t> later;
        QSet<QString> chosen;
        for (const std::size_t i : waiting) {
            const Item& item = items[i];
            const auto found = fs::lstat(item.from);
            if (!found || found->inode != item.inode) {
                outcomes[i] = {{}, QStringLiteral("it is no longer there"), true};
                continue;
            }
            const freename::Result name =
                freename::in(downloads, QFileInfo(item.originalPath).fileName());
            if (!name.found()) {
                outcomes[i] = {{}, name.error};
            } else if (chosen.contains(name.path)) {
                later.push_back(i);
            } else {
                chosen.insert(name.path);
                picks.push_back({i, name.path, found->isDirectory ? 0 : found->size});
            }
        }
        if (picks.empty())
            break;
        // Kept before they appear: the watcher then finds their records and
        // announces nothing.
        const auto recorded = waitFor(store.perform<bool>([&](TrackedFileActor::Context& context) {
            for (const Pick& pick : picks)
                context.insertRecord(items[pick.index].inode, pick.target,
                                     QFileInfo(pick.target).fileName(), pick.size,
                                     FileState::dismissed);
            return !context.save();
        }));
        if (!recorded) {
            for (const Pick& pick : picks)
                outcomes[pick.index] = {{}, stopping};
            for (const std::size_t i : later)
                outcomes[i] = {{}, stopping};
            break;
        }
        if (!*recorded)
            VANTLE_DIAG(
                lcStore,
                QStringLiteral("Restore: %1 record(s) wait for the next save").arg(picks.size()));
        std::vector<Pick> stayed;
        for (const Pick& pick : picks) {
            const Item& item = items[pick.index];
            const std::optional<QString> error = move(item.from, pick.target);
            if (!error) {
                VANTLE_DIAG(lcStore,
                            QStringLiteral("Restored %1 to %2").arg(item.from, pick.target));
                outcomes[pick.index] = {pick.target, {}};
                continue;
            }
            VANTLE_DIAG(lcStore, QStringLiteral("Restore of %1 to %2 failed: %3")
                                     .arg(item.from, pick.target, *error));
            outcomes[pick.index] = {{}, *error};
            stayed.push_back(pick);
        }
        if (!stayed.empty()) {
            // They stay where they are, so their records go again.
            waitFor(store.perform<bool>([&](TrackedFileActor::Context& context) {
                for (const Pick& pick : stayed) {
                    const std::uint64_t inode = items[pick.index].inode;
                    const TrackedFile* record = context.fetchByInode(inode);
                    if (record && record->filePath == pick.target)
                        context.removeByInode(inode);
                }
                return !context.save();
            }));
        }
        for (const Pick& pick : stayed) {
            // Only a name taken meanwhile is worth another try.
            if (filetransfer::occupied(pick.target) && ++attempts[pick.index] < nameAttempts)
                later.push_back(pick.index);
        }
        waiting = std::move(later);
    }
    return outcomes;
}
