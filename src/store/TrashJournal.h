// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What Vantle sent to the Trash in the last week, in a small file beside the
// store, one line per item. Only these items are ever offered back, and only
// while the Trash still holds the very item that was sent.
class TrashJournal {
public:
    struct Entry {
        QString location;     // the item in the Trash
        QString originalPath; // where it was, and where it goes back
        std::uint64_t inode = 0;
        QDateTime trashedAt; // UTC
    };
    static constexpr int keptDays = 7;
    // The file is rewritten without the entries older than a week when it
    // has doubled since this process first wrote to it or last rewrote it,
    // and is at least this size: a trashing costs one line, amortised.
    static constexpr qint64 compactionBytes = 256 * 1024;

    // The journal's file in the store's folder.
    static QString besideStore(const QString& storePath);

    // `clock` defaults to the system's UTC clock, the one the Trash dates by.
    explicit TrashJournal(QString path, std::function<QDateTime()> clock = {},
                          qint64 compactAfterBytes = compactionBytes);
    ~TrashJournal();

    // Adds an entry, dated now, at the end of the file; the error when it
    // could not be written. Callable from any thread.
    std::optional<QString> append(const QString& location, const QString& originalPath,
                                  std::uint64_t inode);
    // The entries of the last week, oldest first.
    std::vector<Entry> entries() const;
    // Those that the Trash still holds as Vantle sent them: at their
    // location and still the inode sent there. Newest first; blocking.
    // `onlyAt`: just the entries at those places in the Trash (a check for
    // each, not one per entry).
    std::vector<Entry> stillTrashed(Trash& trash, const QSet<QString>& onlyAt = {}) const;
    const QString& path() const { return m_path; }

private:
    // Rewrites the file with the entries of the last week only.
    std::optional<QString> compact();

    QString m_path;
    std::function<QDateTime()> m_clock;
    qint64 m_minimumCompaction;
    qint64 m_compactAt = -1; // the size that makes the next rewrite; unset before the first write
    std::unique_ptr<QFile> m_file; // open for appending since the first write or rewrite
    qint64 m_size = 0;             // the file's size, as this object wrote it
    mutable QMutex m_mutex;        // one writer at a time; readers skip a half-written line
};
