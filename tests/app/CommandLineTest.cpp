// SPDX-License-Identifier: GPL-3.0-or-later
#include "BusFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

struct Outcome {
    int status = -1;
    QString out, err;
};

// The built program without a display, run while this thread goes on
// serving the bus object of the fixture.
Outcome vantle(const QStringList& arguments, const QString& workingDirectory = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(qEnvironmentVariable("VANTLE_BINARY"), arguments);
    const bool ended = waitUntil([&] { return process.state() == QProcess::NotRunning; },
                                 std::chrono::seconds(30));
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

using CommandLineTest = BusFixture;

} // namespace

TEST(CommandLine, WithoutARunningVantleEveryCommandSaysSoAndStartsNothing)
{
    const QStringList commands[] = {
        {"list"},          {"list", "--json"}, {"mark", "a.pdf"},   {"mark", "a.pdf", "2h"},
        {"keep", "a.pdf"}, {"trash", "a.pdf"}, {"restore", "a.pdf"}};
    for (const QStringList& command : commands) {
        const Outcome run = vantle(command);
        EXPECT_EQ(run.status, 3) << command.join(' ').toStdString();
        EXPECT_EQ(run.err, "Vantle is not running\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(QFile::exists(privatebus::activationMarker()));
    // The service file does start a program for a call that allows it.
    privatebus::client().send(QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                             bus::interfaceName, "List"));
    EXPECT_TRUE(waitUntil([] { return QFile::exists(privatebus::activationMarker()); }));
    QFile::remove(privatebus::activationMarker());
}

TEST(CommandLine, WrongArgumentsExit2WithTheUsageAndHelpListsTheCommands)
{
    const QStringList wrong[] = {{"list", "extra"}, {"list", "--yaml"},    {"mark"},
                                 {"keep"},          {"keep", "a", "b"},    {"trash"},
                                 {"restore"},       {"restore", "a", "b"}, {"quit", "now"}};
    for (const QStringList& command : wrong) {
        const Outcome run = vantle(command);
        EXPECT_EQ(run.status, 2) << command.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("\nUsage: vantle")) << run.err.toStdString();
    }
    const Outcome help = vantle({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"list [--json]", "mark FILE [DURATION]", "keep FILE", "trash FILE",
                                "restore NAME", "quit"})
        EXPECT_TRUE(help.out.contains(command)) << command;
}

TEST_F(CommandLineTest, CommandsReachTheRunningProgramWithFilesRelativeToTheWorkingFolder)
{
    const RecordId id = track("report.pdf");
    // An unquoted duration of several words.
    Outcome run = vantle({"mark", "report.pdf", "1d", "4h"}, m_downloads);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QString expires = run.out.trimmed();
    EXPECT_NEAR(QDateTime::currentDateTimeUtc().secsTo(QDateTime::fromString(expires, Qt::ISODate)),
                28 * 3600, 60);
    EXPECT_EQ(record(id)->state, FileState::temporary);

    run = vantle({"list", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).array(),
              (QJsonArray{QJsonObject{
                  {"path", at("report.pdf")}, {"state", "temporary"}, {"expires", expires}}}));

    run = vantle({"keep", "../report.pdf"}, m_downloads);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("is not an item directly inside the Downloads folder"))
        << run.err.toStdString();
    EXPECT_EQ(record(id)->state, FileState::temporary);
}
