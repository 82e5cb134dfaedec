// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "BusFixture.h"
#include "RecordingNotificationServer.h"

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
        {"list"},          {"list", "--json"}, {"mark", "a.pdf"},    {"mark", "a.pdf", "2h"},
        {"keep", "a.pdf"}, {"trash", "a.pdf"}, {"restore", "a.pdf"}, {"mark", "--ask", "a.pdf"}};
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

TEST(CommandLine, WrongArgumentsExit2WithTheUsageAndHelpPrintsIt)
{
    const QStringList wrong[] = {{"list", "extra"}, {"list", "--yaml"},    {"mark"},
                                 {"keep"},          {"keep", "a", "b"},    {"trash"},
                                 {"restore"},       {"restore", "a", "b"}, {"quit", "now"},
                                 {"mark", "--ask"}, {"keep", "--ask", "a"}};
    for (const QStringList& command : wrong) {
        const Outcome run = vantle(command);
        EXPECT_EQ(run.status, 2) << command.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains("\nUsage: vantle")) << run.err.toStdString();
    }
    const Outcome help = vantle({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, commandline::usage());
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
    // Nobody reads a file manager's output: with --notify a refusal is also a notification.
    RecordingNotificationServer server({"body"});
    run = vantle({"mark", "--notify", "../report.pdf"}, m_downloads);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("is not an item directly inside the Downloads folder"));
    ASSERT_EQ(server.shown.size(), 1u);
    EXPECT_EQ(server.shown[0].summary, "Not marked as temporary");
    EXPECT_EQ(server.shown[0].body + '\n', run.err);
}

TEST(CommandLine, NamesAreEscapedAsLsDoesInItsShellEscapeStyle)
{
    const std::pair<QString, QString> cases[] = {{"plain.pdf", "plain.pdf"},
                                                 {"año.pdf", "año.pdf"},
                                                 {"a~b", "a~b"},
                                                 {"a b.pdf", "'a b.pdf'"},
                                                 {"~home", "'~home'"},
                                                 {"x=y", "'x=y'"},
                                                 {"it's.pdf", "\"it's.pdf\""},
                                                 {"it's $5.pdf", "'it'\\''s $5.pdf'"},
                                                 {"two\nlines", "'two'$'\\n''lines'"},
                                                 {"\ttab", "''$'\\t''tab'"},
                                                 {QString("e") + QChar(1), "'e'$'\\001'"}};
    for (const auto& [name, shown] : cases)
        EXPECT_EQ(commandline::shellEscaped(name), shown) << name.toStdString();
}

// A program that holds the name but never answers, as a frozen Vantle would.
TEST(CommandLine, AProgramThatDoesNotAnswerHasItsOwnMessageAndStatus)
{
    QDBusConnection frozen = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "frozen");
    QObject silent;
    ASSERT_TRUE(frozen.registerObject(bus::objectPath, &silent, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(frozen.registerService(bus::serviceName));
    testing::internal::CaptureStderr();
    // This thread serves the name, so it cannot answer while it waits.
    const int status = commandline::run({"list"}, {300, 300});
    const std::string err = testing::internal::GetCapturedStderr();
    frozen.unregisterService(bus::serviceName);
    QDBusConnection::disconnectFromBus("frozen");
    EXPECT_EQ(status, commandline::noAnswer);
    EXPECT_EQ(err, "Vantle did not answer within 0.3 s; it may be busy or not responding\n");
}

TEST_F(CommandLineTest, ListShowsOneLinePerFileAndMarkRefusesStrayWords)
{
    track("two\nlines.pdf");
    const RecordId id = track("report.pdf");
    Outcome run = vantle({"list"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count('\n'), 3) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("'" + at("two") + "'$'\\n''lines.pdf'")) << run.out.toStdString();
    run = vantle({"mark", "report.pdf", "1h", "extra"}, m_downloads);
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains("\"extra\" is not part of a duration")) << run.err.toStdString();
    EXPECT_EQ(record(id)->state, FileState::unprocessed);
    // Echoed input is cut: a path can be megabytes long.
    run = vantle({"keep", QString(100000, 'x')}, m_downloads);
    EXPECT_EQ(run.status, 1);
    EXPECT_LT(run.err.size(), 1000);
    EXPECT_TRUE(run.err.contains("…")) << run.err.left(300).toStdString();
}

TEST_F(CommandLineTest, TidyPreviewsThenMovesOneRunAndUndoesIt)
{
    m_tidier = std::make_unique<Tidier>(
        *m_actor, Tidier::Options{m_folder + "/tidy-run.json", {}, {}, [] {
                                      return QDateTime::currentDateTimeUtc().addDays(40);
                                  }});
    publish();
    await(m_store->keep(track("old.pdf")));
    const QString archive = m_folder + "/Kept";
    const QStringList rule = {"--older-than", "30", "--to", archive};
    const Outcome preview = vantle(QStringList{"tidy", "--dry-run", "--json"} + rule);
    EXPECT_EQ(preview.status, 0) << preview.err.toStdString();
    const QJsonArray items = QJsonDocument::fromJson(preview.out.toUtf8()).array();
    ASSERT_EQ(items.size(), 1) << preview.out.toStdString();
    EXPECT_EQ(items[0]["path"].toString(), at("old.pdf"));
    EXPECT_EQ(items[0]["destination"].toString(), archive);
    EXPECT_TRUE(QFileInfo::exists(at("old.pdf"))) << "a preview moves nothing";
    EXPECT_EQ(vantle(QStringList{"tidy"} + rule).status, 0);
    EXPECT_TRUE(QFileInfo::exists(archive + "/old.pdf") && !QFileInfo::exists(at("old.pdf")));
    EXPECT_EQ(vantle({"tidy", "--undo"}).status, 0);
    EXPECT_TRUE(QFileInfo::exists(at("old.pdf")));
    EXPECT_EQ(vantle({"tidy", "--undo"}).status, 1) << "one undo per run";
    EXPECT_EQ(vantle({"tidy", "--kinds", "bogus"}).status, 2);
}
