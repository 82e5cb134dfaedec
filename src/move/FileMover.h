// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Workspace.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <memory>

// Moves files into a chosen folder without ever replacing what is there.
// Within one file system a move is a rename, done at once; to another file
// system it is a copy in the background, after which the source is removed.
// The moved file is then shown in the file manager. Main thread.
class FileMover : public QObject {
    Q_OBJECT
public:
    explicit FileMover(std::shared_ptr<Workspace> workspace, QObject* parent = nullptr);
    // Waits for the background moves still running.
    ~FileMover() override;

    // Moves each source into `destination`; returns the final paths of those
    // moved at once. Moves to another file system finish later
    // (crossDeviceMoveFinished) and are not in the result.
    QStringList moveFiles(const QStringList& sources, const QString& destination);
    // Where `source` would land in `destination` without replacing anything:
    // its own name, else "name (2).ext", "name (3).ext", ...
    static QString uniqueDestination(const QString& source, const QString& destination);
    // Creates the folder and any missing parents; true when it exists after.
    static bool createFolder(const QString& path);

    // Background moves not yet finished.
    int pendingMoves() const { return m_pending.load(); }

Q_SIGNALS:
    // A background move ended; `moved` tells whether the file is at `target`.
    void crossDeviceMoveFinished(const QString& source, const QString& target, bool moved);

private:
    void moveAcrossDevices(const QString& source, const QString& target,
                           const QString& destination);

    std::shared_ptr<Workspace> m_workspace;
    std::atomic<int> m_pending{0};
    QThreadPool m_pool;
};
