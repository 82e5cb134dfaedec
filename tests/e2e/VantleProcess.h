// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "store/Sqlite.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <csignal>
#include <optional>
#include <sys/prctl.h>
#include <vector>

// Runs a helper program (xdotool, xwininfo, …); gives its trimmed output.
inline QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The built program, run as a user would run it: a home of its own, the real
// X display of the test session, no Qt platform chosen for it. Free of the
// test framework, so that the programs in bench/ run it the same way.
class VantleProcess {
public:
    explicit VantleProcess(const QString& home) : m_home(home)
    {
        QDir().mkpath(downloads());
        QDir().mkpath(home + "/runtime");
        QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove("QT_QPA_PLATFORM");
        m_env.remove("QT_LOGGING_RULES");
        for (const auto& [name, path] : {std::pair("HOME", ""),
                                         {"XDG_DATA_HOME", "/.local/share"},
                                         {"XDG_CONFIG_HOME", "/.config"},
                                         {"XDG_CACHE_HOME", "/.cache"},
                                         {"XDG_RUNTIME_DIR", "/runtime"}})
            m_env.insert(name, home + path);
        // A folder revealed after a move has no file manager here; xdg-open
        // would fall back to whatever browser the machine has, which takes focus.
        m_env.insert("BROWSER", "true");
    }

    static QString binary() { return qEnvironmentVariable("VANTLE_BINARY"); }
    static bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

    QProcessEnvironment& environment() { return m_env; }
    QString home() const { return m_home; }
    QString downloads() const { return m_home + "/Downloads"; }
    QString storeFile() const { return m_home + "/.local/share/Vantle/Vantle.store"; }
    // Written as the last step of a start: its presence means the program is up.
    QString loginItem() const { return m_home + "/.config/autostart/vantle.desktop"; }
    // Runs to completion; returns the exit code (-1 when it crashed or hung). Its output is
    // left in out and err.
    int run(const QStringList& arguments)
    {
        QProcess process; // kills a hung program as it goes
        process.setProcessEnvironment(m_env);
        process.start(binary(), arguments);
        const bool ended = process.waitForFinished(20000);
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString out, err;
    // Starts in the background; the process object stays with the caller.
    void start(QProcess& process)
    {
        QFile::remove(loginItem());
        process.setProcessEnvironment(m_env);
        // The program never outlives whoever started it, however that ends.
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process.start(binary());
    }
    // Waits for the login item; false when the deadline passes or the program ends first.
    bool waitUntilUp(QProcess& process, QDeadlineTimer deadline = QDeadlineTimer(15000)) const
    {
        while (!QFile::exists(loginItem())) {
            if (deadline.hasExpired() || process.state() != QProcess::Running)
                return false;
            process.waitForFinished(20); // also notices an exit
        }
        return true;
    }
    bool launch(QProcess& process)
    {
        start(process);
        return process.waitForStarted() && waitUntilUp(process);
    }

    // One statement on the store, run on a connection of its own (WAL lets it
    // read while the program writes): the first `columns` columns of each row
    // as text; nothing when the store is missing or the statement fails.
    std::optional<std::vector<QStringList>> query(const QString& sql, int columns = 1) const
    {
        sqlite::Database db;
        if (!QFile::exists(storeFile()) || !db.open(storeFile()))
            return std::nullopt;
        db.setBusyTimeout(2000);
        sqlite::Statement statement(db, sql.toUtf8().constData());
        std::vector<QStringList> rows;
        while (statement.step()) {
            rows.emplace_back();
            for (int i = 0; i < columns; ++i)
                rows.back().append(statement.text(i));
        }
        return statement.done() ? std::optional(rows) : std::nullopt;
    }
    // The first column of the first row ("" when there is none).
    std::optional<QString> text(const QString& sql) const
    {
        const auto rows = query(sql);
        return rows ? std::optional(rows->empty() ? QString() : rows->front()[0]) : std::nullopt;
    }
    // The number of records that satisfy `where`, or -1 when the store cannot be read.
    int count(const QString& where = "1") const
    {
        return text("SELECT count(*) FROM TrackedFile WHERE " + where).value_or("-1").toInt();
    }

private:
    QString m_home;
    QProcessEnvironment m_env;
};
