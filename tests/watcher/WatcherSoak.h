// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A seeded generator of what users and browsers do to Downloads, and the
// check that the store matches the folder once things are quiet. Shared by
// the watcher tests and the long soak in bench/.

#include "platform/FileSystem.h"
#include "store/TrackedFile.h"
#include "watcher/NameRules.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringList>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace soak {

class Generator {
public:
    Generator(QString downloads, QString outside, std::uint32_t seed)
        : m_downloads(std::move(downloads)), m_outside(std::move(outside)), m_rng(seed)
    {
    }

    // Performs one random operation, sometimes followed by a short pause.
    void step()
    {
        const QStringList items = topLevel();
        int op = pick(0, 99);
        if (items.size() > 200 && op < 40)
            op += 60; // keep the folder from growing without bound
        if (op < 16)
            createFile(fresh(QStringLiteral("file")));
        else if (op < 22)
            QDir().mkdir(at(fresh(QStringLiteral("empty"))));
        else if (op < 27)
            createFullFolder();
        else if (op < 34)
            moveInFromOutside();
        else if (op < 40)
            partialDownload();
        else if (op < 44)
            sandboxTemporary();
        else if (op < 56)
            renameWithin(items);
        else if (op < 64)
            replaceInPlace(items);
        else if (op < 72)
            moveOut(items);
        else if (op < 80)
            moveIntoSubfolder(items);
        else if (op < 86)
            addToSubfolder(items);
        else
            remove(items);
        if (pick(0, 9) == 0)
            QThread::usleep(unsigned(pick(0, 2000)));
    }

    // Items whose inode this answers true for are never picked by step():
    // files whose fate a test follows.
    void setProtected(std::function<bool(std::uint64_t)> isProtected)
    {
        m_isProtected = std::move(isProtected);
    }

    // Adds one item the program never records (or need not): a hidden file,
    // a download left unfinished, a symbolic link, a named pipe, an empty
    // folder or one that holds only a hidden file.
    void addOddItem()
    {
        const QString name = fresh(QStringLiteral("odd"));
        const QByteArray path = QFile::encodeName(at(name));
        switch (pick(0, 5)) {
        case 0:
            writeBytes(at(QLatin1Char('.') + name), 1);
            break;
        case 1:
            writeBytes(at(name + QStringLiteral(".part")), 1);
            break;
        case 2: {
            const QStringList items = topLevel();
            const QString target =
                items.isEmpty() ? QStringLiteral("nowhere") : items[pick(0, int(items.size()) - 1)];
            if (::symlink(QFile::encodeName(target).constData(), path.constData()) != 0)
                QDir().mkdir(at(name));
            break;
        }
        case 3:
            ::mkfifo(path.constData(), 0644);
            break;
        case 4:
            QDir().mkdir(at(name));
            break;
        default:
            QDir().mkdir(at(name));
            writeBytes(at(name) + QStringLiteral("/.hidden"), 1);
        }
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    QString at(const QString& name) const { return m_downloads + QLatin1Char('/') + name; }
    QString fresh(const QString& stem)
    {
        // Now and then a name with spaces and non-ASCII letters.
        const QString base = pick(0, 7) == 0 ? stem + QStringLiteral(" ñé") : stem;
        return QStringLiteral("%1-%2.dat").arg(base).arg(++m_serial);
    }

    QStringList topLevel() const
    {
        QStringList names;
        for (const QByteArray& raw : fs::listDirectory(m_downloads).names)
            names.append(QFile::decodeName(raw));
        return names;
    }
    std::optional<QString> any(const QStringList& items, bool filesOnly, bool foldersOnly)
    {
        QStringList candidates;
        for (const QString& name : items) {
            const auto st = fs::lstat(at(name));
            if (!st || (filesOnly && st->isDirectory) || (foldersOnly && !st->isDirectory) ||
                (m_isProtected && m_isProtected(st->inode)))
                continue;
            candidates.append(name);
        }
        if (candidates.isEmpty())
            return std::nullopt;
        return candidates[pick(0, int(candidates.size()) - 1)];
    }

    void writeBytes(const QString& path, int chunks)
    {
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            return;
        const QByteArray chunk(pick(1, 4096), 'v');
        for (int i = 0; i < chunks; ++i) {
            if (::write(fd, chunk.constData(), size_t(chunk.size())) < 0)
                break;
        }
        ::close(fd);
    }
    static void move(const QString& from, const QString& to)
    {
        ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
    }

    void createFile(const QString& name) { writeBytes(at(name), pick(0, 3)); }
    void createFullFolder()
    {
        const QString name = fresh(QStringLiteral("full"));
        if (pick(0, 1) == 0) {
            const QString staged = m_outside + QLatin1Char('/') + name;
            QDir().mkpath(staged);
            writeBytes(staged + QStringLiteral("/inner.txt"), 1);
            move(staged, at(name));
        } else {
            QDir().mkdir(at(name));
            writeBytes(at(name) + QStringLiteral("/inner.txt"), 1);
        }
    }
    void moveInFromOutside()
    {
        const QString name = fresh(QStringLiteral("incoming"));
        writeBytes(m_outside + QLatin1Char('/') + name, 1);
        move(m_outside + QLatin1Char('/') + name, at(name));
    }
    void partialDownload()
    {
        const QString name = fresh(QStringLiteral("download"));
        const QString partial =
            at(name + (pick(0, 1) ? QStringLiteral(".crdownload") : QStringLiteral(".part")));
        writeBytes(partial, pick(1, 6));
        move(partial, at(name));
    }
    void sandboxTemporary()
    {
        const QString temp = at(QStringLiteral("doc-%1.txt.sb-%2-Tmp%3")
                                    .arg(++m_serial)
                                    .arg(pick(0, 0xffff), 0, 16)
                                    .arg(pick(0, 99)));
        writeBytes(temp, 1);
        if (pick(0, 1) == 0)
            QFile::remove(temp);
    }
    void renameWithin(const QStringList& items)
    {
        if (auto name = any(items, false, false))
            move(at(*name), at(fresh(QStringLiteral("renamed"))));
    }
    void replaceInPlace(const QStringList& items)
    {
        // A sandboxed save's temporary never receives a finished file; a
        // record renamed onto such a name keeps its earlier path on purpose.
        auto name = any(items, true, false);
        if (!name || names::matchesSandboxTemp(*name))
            return;
        const QString temp = at(*name + QStringLiteral(".tmp%1").arg(++m_serial));
        writeBytes(temp, pick(1, 3));
        move(temp, at(*name));
    }
    void moveOut(const QStringList& items)
    {
        if (auto name = any(items, false, false))
            move(at(*name), m_outside + QLatin1Char('/') + fresh(QStringLiteral("out")));
    }
    void moveIntoSubfolder(const QStringList& items)
    {
        auto folder = any(items, false, true);
        auto item = any(items, true, false);
        if (folder && item)
            move(at(*item), at(*folder) + QLatin1Char('/') + *item);
    }
    void addToSubfolder(const QStringList& items)
    {
        if (auto folder = any(items, false, true))
            writeBytes(at(*folder) + QLatin1Char('/') + fresh(QStringLiteral("child")), 1);
    }
    void remove(const QStringList& items)
    {
        auto name = any(items, false, false);
        if (!name)
            return;
        const QString path = at(*name);
        if (fs::lstat(path)->isDirectory)
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }

    QString m_downloads;
    QString m_outside;
    std::mt19937 m_rng;
    int m_serial = 0;
    std::function<bool(std::uint64_t)> m_isProtected;
};

// What a record of an item the watcher skips by its name means. A restart
// records what it finds before the watcher runs, sandboxed-save temporaries
// included.
enum class SkippedNames { neverRecorded, mayBeRecorded };

// The differences between the folder and the records: every item that should
// be recorded has exactly one record with its path and inode, and every
// record names an item that is there. A folder that is (effectively) empty
// may be unrecorded: it is adopted only when content arrives. So may symbolic
// links and special files, which nothing downloads.
inline QStringList mismatches(const QString& downloads, const std::vector<RecordSummary>& records,
                              SkippedNames skipped = SkippedNames::neverRecorded)
{
    QStringList problems;
    QHash<QString, std::uint64_t> present;
    QHash<QString, bool> optional;
    for (const QByteArray& raw : fs::listDirectory(downloads).names) {
        const auto name = fs::decodeName(raw);
        if (!name)
            continue;
        const bool skippedName = names::isIgnoredName(*name) || names::matchesSandboxTemp(*name);
        if (skippedName && skipped == SkippedNames::neverRecorded)
            continue;
        const QString path = downloads + QLatin1Char('/') + *name;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
            continue;
        present.insert(path, std::uint64_t(st.st_ino));
        bool empty = S_ISDIR(st.st_mode);
        if (empty) {
            for (const QByteArray& child : fs::listDirectory(path).names) {
                const auto childName = fs::decodeName(child);
                if (!childName || !names::isIgnoredName(*childName))
                    empty = false;
            }
        }
        optional.insert(path,
                        skippedName || empty || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)));
    }
    QHash<QString, int> recordsAtPath;
    for (const RecordSummary& record : records) {
        ++recordsAtPath[record.filePath];
        const auto it = present.constFind(record.filePath);
        if (it == present.cend())
            problems.append(QStringLiteral("record for a missing item: ") + record.filePath);
        else if (*it != record.inode)
            problems.append(QStringLiteral("record with inode %1 at %2 which holds %3")
                                .arg(record.inode)
                                .arg(record.filePath)
                                .arg(*it));
    }
    for (auto it = present.cbegin(); it != present.cend(); ++it) {
        const int count = recordsAtPath.value(it.key());
        if (count > 1)
            problems.append(QStringLiteral("%1 records for ").arg(count) + it.key());
        else if (count == 0 && !optional.value(it.key()))
            problems.append(QStringLiteral("no record for ") + it.key());
    }
    return problems;
}

} // namespace soak
