// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One running instance per user: an exclusive lock on a file in the user's
// runtime folder, held until the process ends (the kernel drops it then, also
// after a crash, so a stale lock never blocks a start).
class SingleInstance {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Result acquire(const QString& lockPath);
    QString errorText() const { return m_error; }

    // $XDG_RUNTIME_DIR/vantle.lock, or the data folder when there is no runtime folder.
    static QString defaultLockPath();

private:
    int m_fd = -1;
    QString m_error;
};
