// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// `vantle list`, `mark`, `keep`, `trash`, `restore` and `quit`: a client of the
// running program over the session bus. It never starts the program and needs
// no display, only a QCoreApplication.
namespace commandline {

enum Status { done = 0, refused = 1, usageError = 2, notRunning = 3, noAnswer = 4 };

// How long a command waits for the running program's answer.
struct Timeouts {
    int callMs = 25000;  // the quick calls
    int slowMs = 120000; // trashing and restoring, which may copy across volumes
    // A lifetime typed by the user: no limit (libdbus's infinite), as the
    // panel closes when the user goes elsewhere.
    int askMs = 0x7fffffff;
};

// The help text: the program's options and these commands.
QString usage();

// Whether the first argument names one of the commands.
bool isCommand(const QString& word);

// Runs one command (the arguments after the program's name), writes its
// output and gives the exit status.
int run(const QStringList& arguments, const Timeouts& timeouts = {});

// A name as `ls` shows it in its shell-escape quoting style: as it is when
// nothing in it is special to a shell, else quoted so that a shell reads it
// back whole, with control characters as $'\n'.
QString shellEscaped(const QString& name);

// Asks the running program to open its popover; false when none answered.
bool showRunningPopover();

// Ends the process with `status` once the output is written, skipping the
// teardown of statics: Qt's D-Bus thread may still be handling the closed
// connection then, and would print warnings or, worse, change the status.
[[noreturn]] void leave(int status);

} // namespace commandline
