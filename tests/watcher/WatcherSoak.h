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
#include <random>
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
        QStringList files, folders;
        for (const QByteArray& raw : fs::listDirectory(m_downloads).names) {
            const QString name = QFile::decodeName(raw);
            if (const auto st = fs::lstat(at(name)))
                (st->isDirectory ? folders : files).append(name);
        }
        const QStringList items = files + folders;
        int op = pick(0, 99);
        if (items.size() > 200 && op < 40)
            op += 60; // keep the folder from growing without bound
        // Now and then a name with spaces and non-ASCII letters.
        const QString name = QStringLiteral("%1-%2.dat")
                                 .arg(pick(0, 7) ? QStringLiteral("item") : QStringLiteral("i ñé"))
                                 .arg(++m_serial);
        const QString file = any(files), folder = any(folders), item = any(items);
        const QString staged = m_outside + QLatin1Char('/') + name;
        if (op < 16) {
            write(at(name), pick(0, 3));
        } else if (op < 22) {
            QDir().mkdir(at(name)); // empty until something is put into it
        } else if (op < 34) {       // a folder with content, or a file, moved in
            if (op < 27 && QDir().mkdir(staged))
                write(staged + QStringLiteral("/inner.txt"), 1);
            else
                write(staged, 1);
            move(staged, at(name));
        } else if (op < 40) { // a download finishes under its own name
            const QString partial =
                at(name + (pick(0, 1) ? QStringLiteral(".crdownload") : QStringLiteral(".part")));
            write(partial, pick(1, 6));
            move(partial, at(name));
        } else if (op < 44) { // a sandboxed save's temporary, sometimes left behind
            const QString temp =
                at(name + QStringLiteral(".sb-%1-Tmp").arg(pick(0, 0xffff), 0, 16));
            write(temp, 1);
            if (pick(0, 1) == 0)
                QFile::remove(temp);
        } else if (item.isEmpty()) {
            return;
        } else if (op < 56) {
            move(at(item), at(name));
        } else if (op < 64) {
            // A save through a temporary renamed over the file. A sandboxed
            // save's temporary never receives a finished file.
            if (!file.isEmpty() && !names::matchesSandboxTemp(file)) {
                write(at(name), pick(1, 3));
                move(at(name), at(file));
            }
        } else if (op < 72) {
            move(at(item), staged);
        } else if (op < 80) {
            if (!folder.isEmpty() && !file.isEmpty())
                move(at(file), at(folder) + QLatin1Char('/') + file);
        } else if (op < 86) {
            if (!folder.isEmpty())
                write(at(folder) + QLatin1Char('/') + name, 1);
        } else if (!QFile::remove(at(item))) {
            QDir(at(item)).removeRecursively();
        }
        if (pick(0, 9) == 0)
            QThread::usleep(unsigned(pick(0, 2000)));
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    QString at(const QString& name) const { return m_downloads + QLatin1Char('/') + name; }
    QString any(const QStringList& names)
    {
        return names.isEmpty() ? QString() : names[pick(0, int(names.size()) - 1)];
    }
    void write(const QString& path, int chunks)
    {
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const QByteArray chunk(pick(1, 4096), 'v');
        for (int i = 0; fd >= 0 && i < chunks; ++i) {
            if (::write(fd, chunk.constData(), size_t(chunk.size())) < 0)
                break;
        }
        if (fd >= 0)
            ::close(fd);
    }
    static void move(const QString& from, const QString& to)
    {
        ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData());
    }

    QString m_downloads;
    QString m_outside;
    std::mt19937 m_rng;
    int m_serial = 0;
};

// The differences between the folder and the records: every item that should
// be recorded has exactly one record with its path and inode, and every
// record names an item that is there. A folder with nothing visible inside
// may be unrecorded: it is adopted only when content arrives.
inline QStringList mismatches(const QString& downloads, const std::vector<RecordSummary>& records)
{
    QStringList problems;
    QHash<QString, std::uint64_t> present;
    QHash<QString, bool> optional;
    auto visible = [](const QByteArray& raw) {
        const auto name = fs::decodeName(raw);
        return !name || !names::isIgnoredName(*name);
    };
    for (const QByteArray& raw : fs::listDirectory(downloads).names) {
        const auto name = fs::decodeName(raw);
        if (!name || !visible(raw) || names::matchesSandboxTemp(*name))
            continue;
        const QString path = downloads + QLatin1Char('/') + *name;
        const auto st = fs::lstat(path);
        if (!st)
            continue;
        present.insert(path, st->inode);
        const auto children =
            st->isDirectory ? fs::listDirectory(path).names : std::vector<QByteArray>();
        optional.insert(path,
                        st->isDirectory && std::none_of(children.begin(), children.end(), visible));
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
        if (count > 1 || (count == 0 && !optional.value(it.key())))
            problems.append(QStringLiteral("%1 records for ").arg(count) + it.key());
    }
    return problems;
}

} // namespace soak
