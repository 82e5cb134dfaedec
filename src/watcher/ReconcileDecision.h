// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileSystem.h"
#include "store/FileState.h"
#include "watcher/Admission.h"
#include "watcher/FileEvent.h"

#include <QDateTime>
#include <QString>
#include <chrono>
#include <cstdint>
#include <optional>

// How an event changes the records: one pure decision over what the event,
// the disk, the store and the pending removals say. The reconciler gathers
// the facts and carries the decision out.

enum class ReconcileMode {
    live,     // an event from the kernel
    rescan,   // events were lost: what is untracked is new, what is gone goes after the delay
    existing, // the folder was listed at start-up or came back: what is untracked is
              // kept, not announced; what is gone goes at once
};

struct RecordFacts {
    std::uint64_t inode = 0;
    QString filePath;
    FileState state = FileState::unprocessed;
    QDateTime inodeSince;
};

struct ReconcileFacts {
    ReconcileMode mode = ReconcileMode::live;
    FileEvent event;
    std::optional<ItemStat> item; // lstat of the event's path
    Admission admission;          // of that item, when it is the event's inode
    std::optional<RecordFacts> byInode;
    // Another record at the event's path than byInode: one that is not
    // dismissed, else a kept one.
    std::optional<RecordFacts> atPath;
    // byInode is a browser's placeholder, recorded but not announced yet.
    bool held = false;
    // A partial download is in Downloads now (asked only for an empty file).
    bool partialBeside = false;
    bool recordPathHoldsInode = false; // byInode's own path still holds the inode
    // A removal pending for byInode's path: of which inode, and whether the
    // item was deleted (its inode may come back on a new item).
    std::optional<std::uint64_t> pendingInode;
    bool pendingDeleted = false;
    // Where the inode is directly inside Downloads, once looked for.
    std::optional<std::optional<QString>> location;
};

struct ReconcileDecision {
    enum Action {
        ignore,       // nothing changes
        locate,       // look for the inode in Downloads and decide again
        deferFolder,  // an empty folder: remember it until something arrives in it
        insert,       // a new record
        replace,      // the record at the path takes the new inode
        updatePath,   // the record follows its item to `newPath`
        keepPath,     // the item is a save's temporary for a moment: the record stays
        removeRecord, // the record goes now
        deferRemoval, // the record goes after the removal delay
        release,      // a held placeholder has content: announce its record now
    };
    Action action = ignore;
    QString note;            // the diagnostic, when there is one
    bool dropReused = false; // the inode's old record names another item: it goes first
    bool announce = false;   // insert: announce the new record
    bool hold = false;       // insert: a placeholder, announced once it has content
    // A finished download took the place of this inode's item: its record goes now.
    std::uint64_t dropAtPath = 0;
    FileState state = FileState::unprocessed; // insert: the new record's state
    bool settle = false;                      // updatePath: an unprocessed record becomes dismissed
    bool refreshSize = false;                 // the record takes `size`
    std::uint64_t oldInode = 0;               // replace: the inode the record had
    QString newPath;                          // updatePath
    std::int64_t size = 0;                    // insert, replace, release
    bool isFolder = false;
    bool inDownloads = false; // a tracked item found in Downloads: its removal is called off
};

// A record that took its inode this recently, still unanswered, and is then
// renamed over another record's item was a save's temporary.
inline constexpr std::chrono::seconds saveTemporaryWindow{10};

ReconcileDecision decideReconcile(const ReconcileFacts& facts);
