// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// What Vantle sent to the Trash in the last week, in a small file beside the
// store. Only these items are ever offered back, and only while the Trash
// still holds the very item that was sent.
class TrashJournal {
public:
    struct Entry {
        QString location;     // the item in the Trash
        QString originalPath; // where it was, and where it goes back
        std::uint64_t inode = 0;
        QDateTime trashedAt; // UTC
    };
    static constexpr int keptDays = 7;

    // The journal's file in the store's folder.
    static QString besideStore(const QString& storePath);

    // `clock` defaults to the system's UTC clock, the one the Trash dates by.
    explicit TrashJournal(QString path, std::function<QDateTime()> clock = {});

    // Adds an entry, dated now, and drops those older than a week; the
    // error when the file could not be written. Callable from any thread.
    std::optional<QString> append(const QString& location, const QString& originalPath,
                                  std::uint64_t inode);
    // The entries of the last week, oldest first.
    std::vector<Entry> entries() const;
    // Those of `trash` that Vantle sent: at a location of the journal and
    // still the inode it sent there. Newest first; blocking (lstat).
    std::vector<Entry> stillTrashed(const std::vector<TrashEntry>& trash) const;
    const QString& path() const { return m_path; }

private:
    std::vector<Entry> readRecent() const;

    QString m_path;
    std::function<QDateTime()> m_clock;
    mutable QMutex m_mutex; // one writer at a time; readers see whole files
};
