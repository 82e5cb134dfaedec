// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FreeName.h"
#include "platform/Workspace.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// What became of one moved item.
struct MoveOutcome {
    QString source;
    // Where it is now; empty when it stayed. Set with `error` when a copy
    // landed there but the original could not be removed.
    QString target;
    QString error; // why it did not move; empty when it moved

    bool moved() const { return error.isEmpty(); }
};

// Moves files into a chosen folder without ever replacing what is there.
// Within one file system a move is a rename; to another it is a copy after
// which the source is removed. Everything that touches the file systems, a
// stat included, runs on the mover's own threads, so a hung mount never
// stalls the caller. The first moved file is then shown in the file manager.
class FileMover : public QObject {
    Q_OBJECT
public:
    // Runs on the mover's thread once every item of a batch is dealt with.
    using Finished = std::function<void(const QList<MoveOutcome>&)>;

    explicit FileMover(std::shared_ptr<Workspace> workspace, QObject* parent = nullptr);
    // Waits for the moves still running.
    ~FileMover() override;

    // Moves each source into `destination`, made first (with its parents)
    // when `createDestination`.
    void moveFiles(const QStringList& sources, const QString& destination, Finished finished = {},
                   bool createDestination = false);
    // Where `source` would land in `destination` without replacing anything:
    // its own name, else "name (2).ext", "name (3).ext", ... (see freename).
    static freename::Result uniqueDestination(const QString& source, const QString& destination);
    // Creates the folder and any missing parents; the error when it fails.
    static std::optional<QString> createFolder(const QString& path);

    // Batches not yet finished.
    int pendingMoves() const { return m_pending.load(); }

    // Moves one item into `destination` (on `destinationDevice`) under a
    // free name; blocking.
    static MoveOutcome moveOne(const QString& source, const QString& destination,
                               std::optional<std::uint64_t> destinationDevice);

private:
    static MoveOutcome moveAcrossDevices(const QString& source, const QString& destination);

    std::shared_ptr<Workspace> m_workspace;
    std::atomic<int> m_pending{0};
    QThreadPool m_pool;
};
