// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A seeded generator of what users and browsers do to Downloads, and the
// check that the store matches the folder once things are quiet. Shared by
// the watcher tests and the long soak in bench/.

#include "platform/FileSystem.h"
#include "store/TrackedFile.h"
#include "watcher/NameRules.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <QThread>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace soak {

inline void move(const QString& from, const QString& to)
{
    ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
}

// A new file of `chunks` times `chunk`, one write at a time as a download arrives.
inline void write(const QString& path, const QByteArray& chunk, int chunks = 1)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    for (int i = 0; fd >= 0 && i < chunks && ::write(fd, chunk, size_t(chunk.size())) >= 0; ++i) {
    }
    ::close(fd);
}

inline QStringList namesIn(const QString& folder)
{
    QStringList names;
    for (const QByteArray& raw : fs::listDirectory(folder).names)
        names.append(QFile::decodeName(raw));
    return names;
}

class Generator {
public:
    Generator(QString downloads, QString outside, std::uint32_t seed)
        : m_downloads(std::move(downloads)), m_outside(std::move(outside)), m_rng(seed)
    {
    }

    // Items whose inode this answers true for are never picked: files whose fate a test follows.
    std::function<bool(std::uint64_t)> isProtected;
    // Performs `count` random operations, each sometimes followed by a short pause.
    void step(int count = 1)
    {
        while (count-- > 0) {
            const QStringList items = namesIn(m_downloads);
            int op = pick(0, 99);
            if (items.size() > 200 && op < 40)
                op += 60; // keep the folder from growing without bound
            operate(op, items);
            if (pick(0, 9) == 0)
                QThread::usleep(unsigned(pick(0, 2000)));
        }
    }

    // Adds one item the program never records (or need not): a hidden file,
    // a download left unfinished, a symbolic link, a named pipe, an empty
    // folder or one that holds only a hidden file.
    void addOddItem()
    {
        const QString name = fresh("odd");
        const QByteArray path = QFile::encodeName(at(name));
        const QStringList items = namesIn(m_downloads);
        const int kind = pick(0, 5);
        switch (kind) {
        case 0:
            return writeBytes(at('.' + name), 1);
        case 1:
            return writeBytes(at(name + ".part"), 1);
        case 2: // the name is fresh: the link is always made
            return void(::symlink(
                QFile::encodeName(items.isEmpty() ? "nowhere" : items[pick(0, items.size() - 1)]),
                path));
        case 3:
            return void(::mkfifo(path, 0644));
        default: // an empty folder, or one with only a hidden file
            QDir().mkdir(at(name));
            if (kind == 5)
                writeBytes(at(name) + "/.hidden", 1);
        }
    }

private:
    enum class Kind { any, file, folder };

    void operate(int op, const QStringList& items)
    {
        if (op < 16) {
            writeBytes(at(fresh("file")), pick(0, 3));
        } else if (op < 22) {
            QDir().mkdir(at(fresh("empty")));
        } else if (op < 27) { // a folder with content, made in place or moved in whole
            const QString name = fresh("full");
            const QString folder = pick(0, 1) == 0 ? m_outside + '/' + name : at(name);
            QDir().mkpath(folder);
            writeBytes(folder + "/inner.txt", 1);
            move(folder, at(name)); // in place: renamed onto itself, which does nothing
        } else if (op < 34) {
            const QString name = fresh("incoming");
            writeBytes(m_outside + '/' + name, 1);
            move(m_outside + '/' + name, at(name));
        } else if (op < 40) { // a download finished under a browser's partial name
            const QString name = fresh("download");
            const QString partial = at(name + (pick(0, 1) ? ".crdownload" : ".part"));
            writeBytes(partial, pick(1, 6));
            move(partial, at(name));
        } else if (op < 44) { // a sandboxed save's temporary, now and then left behind
            const QString temp = at(QString("doc-%1.txt.sb-%2-Tmp%3")
                                        .arg(++m_serial)
                                        .arg(pick(0, 0xffff), 0, 16)
                                        .arg(pick(0, 99)));
            writeBytes(temp, 1);
            if (pick(0, 1) == 0)
                QFile::remove(temp);
        } else if (op < 56) {
            if (const auto name = any(items, Kind::any))
                move(at(*name), at(fresh("renamed")));
        } else if (op < 64) {
            // A sandboxed save's temporary never receives a finished file; a
            // record renamed onto such a name keeps its earlier path on purpose.
            const auto name = any(items, Kind::file);
            if (!name || names::matchesSandboxTemp(*name))
                return;
            const QString temp = at(*name + QString(".tmp%1").arg(++m_serial));
            writeBytes(temp, pick(1, 3));
            move(temp, at(*name));
        } else if (op < 72) {
            if (const auto name = any(items, Kind::any))
                move(at(*name), m_outside + '/' + fresh("out"));
        } else if (op < 80) {
            const auto folder = any(items, Kind::folder);
            const auto item = any(items, Kind::file);
            if (folder && item)
                move(at(*item), at(*folder) + '/' + *item);
        } else if (op < 86) {
            if (const auto folder = any(items, Kind::folder))
                writeBytes(at(*folder) + '/' + fresh("child"), 1);
        } else if (const auto name = any(items, Kind::any)) {
            if (const auto st = fs::lstat(at(*name)); st && st->isDirectory)
                QDir(at(*name)).removeRecursively();
            else
                QFile::remove(at(*name));
        }
    }

    int pick(int low, qsizetype high)
    {
        return std::uniform_int_distribution<int>(low, int(high))(m_rng);
    }
    QString at(const QString& name) const { return m_downloads + '/' + name; }
    QString fresh(const QString& stem)
    {
        // Now and then a name with spaces and non-ASCII letters.
        return QString("%1-%2.dat").arg(pick(0, 7) == 0 ? stem + " ñé" : stem).arg(++m_serial);
    }
    std::optional<QString> any(const QStringList& items, Kind kind)
    {
        QStringList candidates;
        for (const QString& name : items) {
            const auto st = fs::lstat(at(name));
            if (st && kind != (st->isDirectory ? Kind::file : Kind::folder) &&
                !(isProtected && isProtected(st->inode)))
                candidates.append(name);
        }
        return candidates.isEmpty() ? std::nullopt
                                    : std::optional(candidates[pick(0, candidates.size() - 1)]);
    }
    void writeBytes(const QString& path, int chunks)
    {
        write(path, QByteArray(pick(1, 4096), 'v'), chunks);
    }

    QString m_downloads;
    QString m_outside;
    std::mt19937 m_rng;
    int m_serial = 0;
};

// The differences between the folder and the records: every item that should
// be recorded has exactly one record with its path and inode, and every
// record names an item that is there. A folder that is (effectively) empty
// may be unrecorded: it is adopted only when content arrives. So may symbolic
// links and special files, which nothing downloads. Items the watcher skips by
// name are left out, unless `skippedMayBeRecorded`: a restart records what it
// finds before the watcher runs, sandboxed-save temporaries included.
inline QStringList mismatches(const QString& downloads, const std::vector<RecordSummary>& records,
                              bool skippedMayBeRecorded = false)
{
    auto skipped = [](const std::optional<QString>& name) {
        return name && (names::isIgnoredName(*name) || names::matchesSandboxTemp(*name));
    };
    QHash<QString, std::uint64_t> present;
    QSet<QString> optional;
    for (const QByteArray& raw : fs::listDirectory(downloads).names) {
        const auto name = fs::decodeName(raw);
        const auto st = name ? fs::lstat(downloads + '/' + *name) : std::nullopt;
        if (!st || (skipped(name) && !skippedMayBeRecorded))
            continue;
        const QString path = downloads + '/' + *name;
        present.insert(path, st->inode);
        const bool empty =
            st->isDirectory && std::ranges::all_of(namesIn(path), names::isIgnoredName);
        if (skipped(name) || empty || !(st->isDirectory || st->isRegular))
            optional.insert(path);
    }
    QStringList problems;
    QHash<QString, int> recordsAtPath;
    for (const RecordSummary& record : records) {
        ++recordsAtPath[record.filePath];
        // No inode is 0: a record at a missing item is told as one holding 0.
        if (const std::uint64_t held = present.value(record.filePath); held != record.inode)
            problems.append(QString("record with inode %1 at %2 which holds %3")
                                .arg(record.inode)
                                .arg(record.filePath, QString::number(held)));
    }
    for (auto it = present.cbegin(); it != present.cend(); ++it) {
        const int count = recordsAtPath.value(it.key());
        if (count > 1)
            problems.append(QString("%1 records for ").arg(count) + it.key());
        else if (count == 0 && !optional.contains(it.key()))
            problems.append("no record for " + it.key());
    }
    return problems;
}

} // namespace soak
