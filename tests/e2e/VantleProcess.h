// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

// Runs a helper program (xdotool, xwininfo, sqlite3, …); gives its trimmed output.
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
        QDir().mkpath(home + "/Downloads");
        QDir().mkpath(home + "/runtime");
        QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove("QT_QPA_PLATFORM");
        m_env.remove("QT_LOGGING_RULES");
        m_env.insert("HOME", home);
        m_env.insert("XDG_DATA_HOME", home + "/.local/share");
        m_env.insert("XDG_CONFIG_HOME", home + "/.config");
        m_env.insert("XDG_CACHE_HOME", home + "/.cache");
        m_env.insert("XDG_RUNTIME_DIR", home + "/runtime");
    }

    static QString binary() { return qEnvironmentVariable("VANTLE_BINARY"); }
    static bool hasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY"); }

    QProcessEnvironment& environment() { return m_env; }
    QString home() const { return m_home; }
    QString downloads() const { return m_home + "/Downloads"; }
    QString storeFile() const { return m_home + "/.local/share/Vantle/Vantle.store"; }

    // Runs to completion; returns the exit code (-1 when it crashed or hung).
    int run(const QStringList& arguments, int timeoutMs = 20000)
    {
        QProcess process;
        process.setProcessEnvironment(m_env);
        process.start(binary(), arguments);
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        m_stdout = QString::fromUtf8(process.readAllStandardOutput());
        m_stderr = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Starts in the background; the process object stays with the caller.
    void start(QProcess& process, const QStringList& arguments = {})
    {
        process.setProcessEnvironment(m_env);
        process.start(binary(), arguments);
    }

    QString out() const { return m_stdout; }
    QString err() const { return m_stderr; }

private:
    QString m_home;
    QProcessEnvironment m_env;
    QString m_stdout;
    QString m_stderr;
};
