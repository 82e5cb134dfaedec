// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The folders files were last moved to, most recent first, kept in the
// settings across launches. Main thread only.
class MoveMRU {
public:
    static constexpr int capacity = 20;
    static const QString key; // "MoveMRU.destinations"

    MoveMRU() = default;

    // Replaces the list with the stored one; a stored value that is not a list
    // of texts reads as empty (and stays stored until the next write).
    void load();
    // Puts the folder first, once, and saves.
    void record(const QString& path);
    // The first `limit` entries that are still folders. Entries that vanished
    // or became files are dropped from the stored list.
    QStringList validated(int limit);

    const QStringList& paths() const { return m_paths; }

private:
    void save() const;

    QStringList m_paths;
};
