// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rounds of churn on Downloads while the real program runs, a kill -9 at a
// seeded moment, changes while it is down, a restart, and then the checks:
// the store matches the folder within 10 s, the store file is intact, and the
// Trash holds nothing that was not marked temporary. Shared by the end-to-end
// test and the longer run in bench/.

#include "../watcher/WatcherSoak.h"
#include "VantleProcess.h"

#include <QDeadlineTimer>
#include <QSet>
#include <algorithm>
#include <csignal>
#include <sqlite3.h>
#include <sys/prctl.h>

namespace soak {

// A connection of its own to the program's store: WAL lets it read while the
// program writes. Columns come back as text.
class StoreConnection {
public:
    StoreConnection(const QString& path, bool writable)
    {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr) !=
            SQLITE_OK) {
            sqlite3_close(m_db);
            m_db = nullptr;
            return;
        }
        sqlite3_busy_timeout(m_db, 2000);
    }
    ~StoreConnection() { sqlite3_close(m_db); }
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // The rows of one statement; nothing when it failed.
    std::optional<std::vector<QStringList>> rows(const QString& sql)
    {
        if (!m_db)
            return std::nullopt;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) !=
            SQLITE_OK)
            return std::nullopt;
        std::vector<QStringList> result;
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                row.append(QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, i))));
            result.push_back(row);
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            return std::nullopt;
        return result;
    }

private:
    sqlite3* m_db = nullptr;
};

inline std::optional<std::vector<RecordSummary>> readRecords(const QString& store)
{
    StoreConnection db(store, false);
    const auto rows = db.rows(QStringLiteral("SELECT filePath, inode, state, id FROM TrackedFile"));
    if (!rows)
        return std::nullopt;
    std::vector<RecordSummary> records;
    for (const QStringList& row : *rows) {
        // The inode is kept as the bit pattern of the unsigned value.
        records.push_back({row[0], std::uint64_t(row[1].toLongLong()),
                           fileStateFromRaw(row[2]).value_or(FileState::dismissed),
                           RecordId{row[3].toLongLong()}});
    }
    return records;
}

class CrashSoak {
public:
    static constexpr int settleMs = 10000;

    CrashSoak(const QString& home, std::uint32_t seed)
        : m_vantle(home),
          m_generator(m_vantle.downloads(), home + QStringLiteral("/elsewhere"), seed),
          m_rng(seed ^ 0x9e3779b9u)
    {
        QDir().mkpath(home + QStringLiteral("/elsewhere"));
        // Marked files are changed only while the program is down, and on purpose.
        m_generator.setProtected([this](std::uint64_t inode) { return m_marked.contains(inode); });
        for (int i = 0; i < 40; ++i)
            m_generator.step();
    }
    ~CrashSoak() { kill(); }

    // One round; returns what went wrong (nothing when it passed). line() tells what it did.
    QStringList round(int number)
    {
        QStringList failures;
        QStringList notes;
        // Now and then a fresh start, so that the kill may land while it starts up.
        if (m_process.state() == QProcess::NotRunning || pick(0, 2) == 0) {
            kill();
            launch();
            notes.append(QStringLiteral("fresh start"));
        }
        // Churn at about the pace of a busy user and browser; the kill lands
        // at a random moment of it, sometimes before the program is up.
        const int churnMs = pick(100, 1500);
        const int killMs = pick(0, churnMs);
        QElapsedTimer churn;
        churn.start();
        int steps = 0;
        bool killed = false;
        while (churn.elapsed() < churnMs || !killed) {
            if (!killed && churn.elapsed() >= killMs) {
                if (m_process.state() == QProcess::NotRunning)
                    failures.append(QStringLiteral("the program had exited: ") + logTail());
                notes.append(QStringLiteral("kill -9 after %1 ms (%2)")
                                 .arg(churn.elapsed())
                                 .arg(QFile::exists(autostartFile()) ? QStringLiteral("up")
                                                                     : QStringLiteral("starting")));
                kill();
                killed = true;
            }
            m_generator.step();
            ++steps;
            QThread::usleep(unsigned(pick(0, 2000)));
        }
        notes.append(QStringLiteral("%1 steps in %2 ms").arg(steps).arg(churn.elapsed()));

        // While it is down.
        if (pick(0, 1) == 0) {
            const int more = pick(1, 40);
            for (int i = 0; i < more; ++i)
                m_generator.step();
            notes.append(QStringLiteral("%1 more while down").arg(more));
        }
        if (pick(0, 3) == 0)
            m_generator.addOddItem();
        const QStringList replaced = pick(0, 1) == 0 ? replaceMarked() : QStringList();
        if (!replaced.isEmpty())
            notes.append(QStringLiteral("%1 marked replaced").arg(replaced.size()));
        const int marked = markSome(pick(1, 3));
        notes.append(QStringLiteral("%1 marked").arg(marked));

        QElapsedTimer sinceRestart;
        sinceRestart.start();
        const QDeadlineTimer deadline(settleMs);
        launch();
        if (!waitUntilUp(deadline)) {
            failures.append(QStringLiteral("not up within %1 ms: ").arg(settleMs) + logTail());
        } else {
            // A new save at the name of a file replaced while the program was down.
            for (const QString& path : replaced)
                saveOver(path);
            QStringList problems = storeProblems();
            while (!problems.isEmpty() && !deadline.hasExpired() &&
                   m_process.state() == QProcess::Running) {
                QThread::msleep(100);
                problems = storeProblems();
            }
            notes.append(
                problems.isEmpty()
                    ? QStringLiteral("store matched after %1 ms").arg(sinceRestart.elapsed())
                    : QStringLiteral("store differs after %1 ms (%2)")
                          .arg(sinceRestart.elapsed())
                          .arg(tally(problems)));
            for (const QString& problem : problems)
                failures.append(QStringLiteral("store after %1 ms: ").arg(sinceRestart.elapsed()) +
                                problem);
            if (m_process.state() != QProcess::Running)
                failures.append(QStringLiteral("the program exited: ") + logTail());
        }
        const QString integrity = integrityCheck();
        if (integrity != QLatin1String("ok"))
            failures.append(QStringLiteral("integrity_check: ") + integrity);
        failures += trashOffenders();
        m_line = QStringLiteral("round %1: %2; %3")
                     .arg(number)
                     .arg(notes.join(QStringLiteral(", ")))
                     .arg(failures.isEmpty() ? QStringLiteral("ok")
                                             : QStringLiteral("FAILED (%1)").arg(failures.size()));
        return failures;
    }

    // Lets every mark fall due, then looks at the Trash once more.
    QStringList finish()
    {
        QStringList failures;
        const QDeadlineTimer deadline(
            std::max<qint64>(0, m_latestExpiry - QDateTime::currentMSecsSinceEpoch()) + 5000);
        auto due = [this] {
            const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
            StoreConnection db(m_vantle.storeFile(), false);
            const auto rows = db.rows(QStringLiteral("SELECT count(*) FROM TrackedFile WHERE "
                                                     "state='temporary' AND expiresAt <= %1")
                                          .arg(now, 0, 'f', 3));
            return rows && !rows->empty() ? rows->front().value(0).toInt() : -1;
        };
        // Done once the last mark is due and no due mark is left.
        int left = due();
        while ((left != 0 || QDateTime::currentMSecsSinceEpoch() <= m_latestExpiry) &&
               !deadline.hasExpired()) {
            QThread::msleep(100);
            left = due();
        }
        if (left != 0)
            failures.append(QStringLiteral("%1 expired mark(s) still in the store").arg(left));
        failures += trashOffenders();
        return failures;
    }

    QString line() const { return m_line; }
    QString home() const { return m_vantle.home(); }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    QString trashFolder() const { return m_vantle.home() + QStringLiteral("/.local/share/Trash"); }
    QString autostartFile() const
    {
        return m_vantle.home() + QStringLiteral("/.config/autostart/vantle.desktop");
    }
    QString logFile() const { return m_vantle.home() + QStringLiteral("/vantle.log"); }
    QString logTail() const
    {
        QFile log(logFile());
        if (!log.open(QIODevice::ReadOnly))
            return QStringLiteral("(no log)");
        const qint64 size = log.size();
        log.seek(std::max<qint64>(0, size - 400));
        return QString::fromUtf8(log.readAll()).simplified();
    }

    void launch()
    {
        QFile::remove(autostartFile());
        m_process.setStandardOutputFile(logFile(), QIODevice::Append);
        m_process.setStandardErrorFile(logFile(), QIODevice::Append);
        // The program never outlives the soak, however the soak ends.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_vantle.start(m_process);
        m_process.waitForStarted(5000);
    }
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
    // Up: the login item is written as the last step of the start. An X
    // server that just lost a client in the middle of its handshake (the
    // kill -9 above) may refuse the next connection for a moment; such a
    // start is tried again rather than counted against the program.
    bool waitUntilUp(const QDeadlineTimer& deadline)
    {
        int retries = 8;
        while (!QFile::exists(autostartFile())) {
            if (deadline.hasExpired())
                return false;
            if (m_process.state() != QProcess::Running) {
                if (retries-- == 0 ||
                    !logTail().contains(QStringLiteral("could not connect to display")))
                    return false;
                QThread::msleep(250);
                launch();
            }
            m_process.waitForFinished(20); // also notices an exit
        }
        return true;
    }

    // The differences counted by kind.
    static QString tally(const QStringList& problems)
    {
        const std::pair<QString, QString> kinds[] = {
            {QStringLiteral("record for a missing item"), QStringLiteral("of missing items")},
            {QStringLiteral("record with inode"), QStringLiteral("with another inode")},
            {QStringLiteral(" records for "), QStringLiteral("paths with several")},
            {QStringLiteral("no record for"), QStringLiteral("unrecorded items")}};
        QStringList counts;
        for (const auto& [marker, label] : kinds) {
            const auto count = std::count_if(problems.cbegin(), problems.cend(),
                                             [&](const QString& p) { return p.contains(marker); });
            if (count > 0)
                counts.append(QStringLiteral("%1 %2").arg(count).arg(label));
        }
        return counts.join(QStringLiteral(", "));
    }

    QStringList storeProblems()
    {
        const auto records = readRecords(m_vantle.storeFile());
        if (!records)
            return {QStringLiteral("the store cannot be read")};
        return mismatches(m_vantle.downloads(), *records, SkippedNames::mayBeRecorded);
    }
    QString integrityCheck()
    {
        StoreConnection db(m_vantle.storeFile(), false);
        const auto rows = db.rows(QStringLiteral("PRAGMA integrity_check"));
        if (!rows)
            return QStringLiteral("cannot be run");
        QStringList lines;
        for (const QStringList& row : *rows)
            lines.append(row.value(0));
        return lines.join(QStringLiteral("; "));
    }

    // Marks up to `count` records of regular files temporary, as the toast
    // would have; some are already due, the others fall due within seconds.
    int markSome(int count)
    {
        StoreConnection db(m_vantle.storeFile(), true);
        const auto rows = db.rows(
            QStringLiteral("SELECT id, inode, filePath FROM TrackedFile WHERE state!='temporary'"));
        if (!rows)
            return 0;
        std::vector<QStringList> candidates;
        for (const QStringList& row : *rows) {
            const std::uint64_t inode = std::uint64_t(row[1].toLongLong());
            struct stat st;
            const QString name = names::nameOf(row[2]);
            if (::lstat(QFile::encodeName(row[2]).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
                std::uint64_t(st.st_ino) == inode && !names::isIgnoredName(name) &&
                !names::matchesSandboxTemp(name))
                candidates.push_back(row);
        }
        int marked = 0;
        for (; marked < count && !candidates.empty(); ++marked) {
            const auto chosen = candidates.begin() + pick(0, int(candidates.size()) - 1);
            const qint64 now = QDateTime::currentMSecsSinceEpoch();
            const qint64 expires = now + pick(-5000, 12000);
            db.rows(QStringLiteral("UPDATE TrackedFile SET state='temporary', "
                                   "markedTemporaryAt=%1, expiresAt=%2 WHERE id=%3")
                        .arg(double(now) / 1000.0, 0, 'f', 3)
                        .arg(double(expires) / 1000.0, 0, 'f', 3)
                        .arg((*chosen)[0]));
            m_marked.insert(std::uint64_t((*chosen)[1].toLongLong()));
            m_latestExpiry = std::max(m_latestExpiry, expires);
            candidates.erase(chosen);
        }
        return marked;
    }

    // Replaces one or two marked files still in Downloads in place; their
    // old inodes are gone, so they leave the marked set. Returns their paths.
    QStringList replaceMarked()
    {
        QStringList paths;
        const int limit = pick(1, 2);
        for (const QByteArray& raw : fs::listDirectory(m_vantle.downloads()).names) {
            const QString path = m_vantle.downloads() + QLatin1Char('/') + QFile::decodeName(raw);
            const auto st = fs::lstat(path);
            if (st && m_marked.contains(st->inode) && paths.size() < limit) {
                saveOver(path);
                m_marked.remove(st->inode);
                paths.append(path);
            }
        }
        return paths;
    }
    // A new file at the name, as a browser saves one: written beside it, renamed over it.
    static void saveOver(const QString& path)
    {
        const QString partial = path + QStringLiteral(".part");
        QFile file(partial);
        if (file.open(QIODevice::WriteOnly))
            file.write("saved again");
        file.close();
        ::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData());
    }

    // Items in the Trash that were never marked temporary, each told once.
    QStringList trashOffenders()
    {
        QStringList offenders;
        const QString files = trashFolder() + QStringLiteral("/files");
        for (const QByteArray& raw : fs::listDirectory(files).names) {
            const QString name = QFile::decodeName(raw);
            const auto st = fs::lstat(files + QLatin1Char('/') + name);
            if (!st || m_marked.contains(st->inode) || m_reported.contains(name))
                continue;
            m_reported.insert(name);
            offenders.append(QStringLiteral("in the Trash but never marked: %1 (inode %2)")
                                 .arg(name)
                                 .arg(st->inode));
        }
        return offenders;
    }

    VantleProcess m_vantle;
    Generator m_generator;
    std::mt19937 m_rng;
    QProcess m_process;
    QSet<std::uint64_t> m_marked; // inodes of marked files that still exist
    qint64 m_latestExpiry = 0;
    QSet<QString> m_reported;
    QString m_line;
};

} // namespace soak
