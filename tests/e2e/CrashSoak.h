// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Rounds of churn on Downloads while the real program runs, a kill -9 at a
// seeded moment, changes while it is down, a restart, and then the checks:
// the store matches the folder within 10 s, the store file is intact, and the
// Trash holds nothing that was not marked temporary. Shared by the end-to-end
// test and the longer run in bench/.

#include "../watcher/WatcherSoak.h"
#include "VantleProcess.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace soak {

class CrashSoak {
public:
    static constexpr int settleMs = 10000;

    CrashSoak(const QString& home, std::uint32_t seed)
        : m_vantle(home), m_generator(m_vantle.downloads(), home + "/elsewhere", seed),
          m_rng(seed ^ 0x9e3779b9u)
    {
        QDir().mkpath(home + "/elsewhere");
        // Marked files are changed only while the program is down, and on purpose.
        m_generator.isProtected = [this](std::uint64_t inode) { return m_marked.contains(inode); };
        m_generator.step(40);
    }
    ~CrashSoak() { kill(); }
    // One round; returns what went wrong (nothing when it passed). line() tells what it did.
    QStringList round(int number)
    {
        QStringList failures, notes;
        // Now and then a fresh start, so that the kill may land while it starts up.
        if (m_process.state() == QProcess::NotRunning || pick(0, 2) == 0) {
            kill();
            launch();
            notes << "fresh start";
        }
        // Churn at about the pace of a busy user and browser; the kill lands
        // at a random moment of it, sometimes before the program is up.
        const int churnMs = pick(100, 1500), killMs = pick(0, churnMs);
        QElapsedTimer churn;
        churn.start();
        int steps = 0;
        for (bool killed = false; churn.elapsed() < churnMs || !killed; ++steps) {
            if (!killed && churn.elapsed() >= killMs) {
                if (m_process.state() == QProcess::NotRunning)
                    failures << "the program had exited: " + logTail();
                notes << QString("kill -9 after %1 ms (%2)")
                             .arg(churn.elapsed())
                             .arg(QFile::exists(m_vantle.loginItem()) ? "up" : "starting");
                kill();
                killed = true;
            }
            m_generator.step();
            QThread::usleep(unsigned(pick(0, 2000)));
        }
        notes << QString("%1 steps in %2 ms").arg(steps).arg(churn.elapsed());
        // While it is down.
        if (pick(0, 1) == 0) {
            const int more = pick(1, 40);
            m_generator.step(more);
            notes << QString("%1 more while down").arg(more);
        }
        if (pick(0, 3) == 0)
            m_generator.addOddItem();
        const QStringList replaced = pick(0, 1) == 0 ? replaceMarked() : QStringList();
        notes << QString("%1 marked replaced, %2 marked").arg(replaced.size()).arg(markSome());

        const QDeadlineTimer deadline(settleMs);
        launch();
        if (!up(deadline)) {
            failures << QString("not up within %1 ms: ").arg(settleMs) + logTail();
        } else {
            // A new save at the name of a file replaced while the program was down.
            for (const QString& path : replaced)
                saveOver(path);
            QStringList problems;
            while (!(problems = storeProblems()).isEmpty() && !deadline.hasExpired() &&
                   m_process.state() == QProcess::Running)
                QThread::msleep(100);
            const QString after =
                QString("store after %1 ms: ").arg(settleMs - deadline.remainingTime());
            notes << after + QString("%1 differences").arg(problems.size());
            for (const QString& problem : problems)
                failures << after + problem;
            if (m_process.state() != QProcess::Running)
                failures << "the program exited: " + logTail();
        }
        if (const auto integrity = m_vantle.text("PRAGMA integrity_check"); integrity != "ok")
            failures << "integrity_check: " + integrity.value_or("cannot be run");
        failures += trashOffenders();
        m_line = QString("round %1: %2; %3 failures")
                     .arg(number)
                     .arg(notes.join(", "))
                     .arg(failures.size());
        return failures;
    }

    // Lets every mark fall due, then looks at the Trash once more.
    QStringList finish()
    {
        const QDeadlineTimer deadline(std::max<qint64>(0, m_latestExpiry - now()) + 5000);
        int left = -1;
        // Done once the last mark is due and no due mark is left.
        auto done = [&] {
            left = m_vantle.count("state='temporary' AND expiresAt <= " + seconds(now()));
            return left == 0 && now() > m_latestExpiry;
        };
        while (!done() && !deadline.hasExpired())
            QThread::msleep(100);
        QStringList offenders = trashOffenders();
        if (left != 0)
            offenders << QString("%1 expired mark(s) still in the store").arg(left);
        return offenders;
    }

    QString line() const { return m_line; }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    static qint64 now() { return QDateTime::currentMSecsSinceEpoch(); }
    static QString seconds(qint64 ms) { return QString::number(double(ms) / 1000.0, 'f', 3); }
    QString logFile() const { return m_vantle.home() + "/vantle.log"; }
    QString logTail() const
    {
        QFile log(logFile());
        return log.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(log.readAll().right(400)).simplified()
                   : "(no log)";
    }

    void launch()
    {
        m_process.setStandardOutputFile(logFile(), QIODevice::Append);
        m_process.setStandardErrorFile(logFile(), QIODevice::Append);
        m_vantle.start(m_process);
        m_process.waitForStarted(5000);
    }
    void kill()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(5000);
    }
    // An X server that just lost a client in the middle of its handshake (the
    // kill -9 above) may refuse the next connection for a moment; such a start
    // is tried again rather than counted against the program.
    bool up(const QDeadlineTimer& deadline)
    {
        for (int retries = 8; !m_vantle.waitUntilUp(m_process, deadline); --retries) {
            if (retries == 0 || deadline.hasExpired() ||
                !logTail().contains("could not connect to display"))
                return false;
            QThread::msleep(250);
            launch();
        }
        return true;
    }

    QStringList storeProblems()
    {
        const auto rows = m_vantle.query("SELECT filePath, inode FROM TrackedFile", 2);
        if (!rows)
            return {"the store cannot be read"};
        std::vector<RecordSummary> records;
        for (const QStringList& row : *rows) // the inode is kept as the bits of the unsigned value
            records.push_back({row[0], std::uint64_t(row[1].toLongLong())});
        return mismatches(m_vantle.downloads(), records, true);
    }

    // Marks one to three records of regular files temporary, as the toast
    // would have; some are already due, the others fall due within seconds.
    int markSome()
    {
        auto rows =
            m_vantle
                .query("SELECT id, inode, filePath FROM TrackedFile WHERE state!='temporary'", 3)
                .value_or(std::vector<QStringList>());
        std::erase_if(rows, [](const QStringList& row) {
            const QString name = names::nameOf(row[2]);
            const auto st = fs::lstat(row[2]);
            return !st || !st->isRegular || st->inode != std::uint64_t(row[1].toLongLong()) ||
                   names::isIgnoredName(name) || names::matchesSandboxTemp(name);
        });
        int marked = 0;
        for (const int count = pick(1, 3); marked < count && !rows.empty(); ++marked) {
            const auto chosen = rows.begin() + pick(0, int(rows.size()) - 1);
            const qint64 marks = now(), expires = marks + pick(-5000, 12000);
            m_vantle.query(
                QString("UPDATE TrackedFile SET state='temporary', markedTemporaryAt=%1, "
                        "expiresAt=%2 WHERE id=%3")
                    .arg(seconds(marks), seconds(expires), (*chosen)[0]));
            m_marked.insert(std::uint64_t((*chosen)[1].toLongLong()));
            m_latestExpiry = std::max(m_latestExpiry, expires);
            rows.erase(chosen);
        }
        return marked;
    }

    // Replaces one or two marked files still in Downloads in place; their
    // old inodes are gone, so they leave the marked set. Returns their paths.
    QStringList replaceMarked()
    {
        QStringList paths;
        const int limit = pick(1, 2);
        for (const QString& name : namesIn(m_vantle.downloads())) {
            const QString path = m_vantle.downloads() + '/' + name;
            const auto st = fs::lstat(path);
            if (st && paths.size() < limit && m_marked.remove(st->inode)) {
                saveOver(path);
                paths << path;
            }
        }
        return paths;
    }
    // A new file at the name, as a browser saves one: written beside it, renamed over it.
    static void saveOver(const QString& path)
    {
        write(path + ".part", "saved again");
        move(path + ".part", path);
    }

    // Items in the Trash that were never marked temporary, each told once.
    QStringList trashOffenders()
    {
        QStringList offenders;
        const QString files = m_vantle.home() + "/.local/share/Trash/files";
        for (const QString& name : namesIn(files)) {
            const auto st = fs::lstat(files + '/' + name);
            if (st && !m_marked.contains(st->inode) && !m_reported.contains(name)) {
                m_reported.insert(name);
                offenders << QString("in the Trash but never marked: %1 (inode %2)")
                                 .arg(name, QString::number(st->inode));
            }
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
