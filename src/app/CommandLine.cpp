// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/BusProtocol.h"
#include "app/DesktopNotice.h"
#include "expiry/DurationParser.h"
#include "platform/Formatters.h"
#include "platform/Tsan.h"
#include "tidy/TidyRule.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>
#include <cstdlib>

namespace {

const QStringList commands = {"list", "mark", "keep", "trash", "restore", "tidy", "quit"};

constexpr int popoverCallTimeoutMs = 5000;

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

int misused(const QString& problem)
{
    print(stderr, QStringLiteral("vantle: %1\n").arg(problem) + commandline::usage());
    return commandline::usageError;
}

// Files are named from the user's folder; the running program has its own.
QString absolute(const QString& file)
{
    return QDir::cleanPath(QDir::current().absoluteFilePath(file));
}

QDBusMessage call(const QString& method, const QVariantList& arguments, int timeoutMs)
{
    QDBusMessage message = QDBusMessage::createMethodCall(bus::serviceName, bus::objectPath,
                                                          bus::interfaceName, method);
    message.setArguments(arguments);
    // A client must not start the GUI behind the user's back.
    message.setAutoStartService(false);
    // QtDBus hands the call to its own thread and the reply back, under its
    // own locks; from here on it is all Qt's.
    const tsan::IgnoreAccesses handOver;
    QDBusConnection connection = QDBusConnection::sessionBus();
    if (!connection.isConnected())
        return message.createErrorReply(QDBusError::Disconnected, connection.lastError().message());
    return connection.call(message, QDBus::Block, timeoutMs);
}

struct Failure {
    int status = commandline::done;
    QString message; // empty when done
};

// What went wrong with an answer, if anything.
Failure failureOf(const QDBusMessage& reply, int timeoutMs)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return {};
    const QString name = reply.errorName();
    if (name == QDBusError::errorString(QDBusError::ServiceUnknown) ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name == QDBusError::errorString(QDBusError::Disconnected))
        return {commandline::notRunning, QStringLiteral("Vantle is not running")};
    if (name == QDBusError::errorString(QDBusError::NoReply) ||
        name == QDBusError::errorString(QDBusError::Timeout) ||
        name == QDBusError::errorString(QDBusError::TimedOut)) {
        // Without a limit, only a Vantle that went away leaves a call unanswered.
        if (timeoutMs == commandline::Timeouts().askMs)
            return {commandline::noAnswer, QStringLiteral("Vantle stopped before answering")};
        return {commandline::noAnswer,
                QStringLiteral("Vantle did not answer within %1 s; it may be busy or not "
                               "responding")
                    .arg(timeoutMs / 1000.0)};
    }
    return {commandline::refused, reply.errorMessage()};
}

// The exit status of an answer, with its error written out.
int statusOf(const QDBusMessage& reply, int timeoutMs)
{
    const Failure failure = failureOf(reply, timeoutMs);
    if (failure.status != commandline::done)
        print(stderr, failure.message + QLatin1Char('\n'));
    return failure.status;
}

void printRecords(const QList<bus::Record>& records, bool json)
{
    if (json) {
        QJsonArray array;
        for (const bus::Record& record : records)
            array.append(QJsonObject{
                {"path", record.path},
                {"state", record.state},
                {"expires", record.expires.isEmpty() ? QJsonValue() : QJsonValue(record.expires)}});
        print(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return;
    }
    // "unprocessed" and an ISO 8601 UTC time are the widest values.
    const auto line = [](const QString& state, const QString& expires, const QString& path) {
        return QStringLiteral("%1 %2 %3\n")
            .arg(state, -11)
            .arg(expires, -20)
            .arg(commandline::shellEscaped(path));
    };
    QString table = line("STATE", "EXPIRES", "PATH");
    for (const bus::Record& record : records)
        table += line(record.state, record.expires.isEmpty() ? "-" : record.expires, record.path);
    print(stdout, table);
}

int list(const QStringList& options, int timeoutMs)
{
    if (options.size() > 1 || (options.size() == 1 && options[0] != "--json"))
        return misused(QStringLiteral("list takes only --json"));
    const QDBusMessage reply = call("List", {}, timeoutMs);
    if (const int status = statusOf(reply, timeoutMs); status != commandline::done)
        return status;
    if (reply.arguments().size() != 1) {
        print(stderr, QStringLiteral("Vantle gave an answer this command does not read\n"));
        return commandline::refused;
    }
    printRecords(qdbus_cast<QList<bus::Record>>(reply.arguments().constFirst()),
                 !options.isEmpty());
    return commandline::done;
}

// A call whose only result, if any, is printed on its own line.
int simpleCall(const QString& method, const QVariantList& arguments, int timeoutMs)
{
    const QDBusMessage reply = call(method, arguments, timeoutMs);
    const int status = statusOf(reply, timeoutMs);
    if (status == commandline::done && !reply.arguments().isEmpty())
        print(stdout, reply.arguments().constFirst().toString() + QLatin1Char('\n'));
    return status;
}

void printTidy(const QList<bus::TidyEntry>& entries, bool preview, bool json)
{
    if (json) {
        QJsonArray array;
        for (const bus::TidyEntry& entry : entries) {
            QJsonObject item{{"path", entry.path}, {"destination", entry.destination}};
            if (preview) {
                item["size"] = entry.size;
                item["ageDays"] = entry.ageDays;
            } else {
                item["error"] = entry.error.isEmpty() ? QJsonValue() : QJsonValue(entry.error);
            }
            array.append(item);
        }
        print(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return;
    }
    QString text;
    qint64 total = 0;
    for (const bus::TidyEntry& entry : entries) {
        const QString path = commandline::shellEscaped(entry.path);
        if (preview) {
            total += entry.size;
            text += QStringLiteral("%1 %2 %3 → %4\n")
                        .arg(QStringLiteral("%1d").arg(entry.ageDays), 6)
                        .arg(formatByteCount(entry.size), 9)
                        .arg(path, commandline::shellEscaped(entry.destination));
        } else if (entry.error.isEmpty()) {
            text += QStringLiteral("moved  %1 → %2\n")
                        .arg(path, entry.destination.isEmpty()
                                       ? QStringLiteral("the Trash")
                                       : commandline::shellEscaped(entry.destination));
        } else {
            text += QStringLiteral("stayed %1: %2\n").arg(path, entry.error);
        }
    }
    if (preview)
        text += QStringLiteral("%1 item(s), %2\n").arg(entries.size()).arg(formatByteCount(total));
    print(stdout, text);
}

// `tidy [--dry-run] [--json] [--older-than DAYS] [--kinds KIND,…] [--to trash|FOLDER]`
// and `tidy --undo [--json]`.
int tidy(const QStringList& arguments, const commandline::Timeouts& timeouts)
{
    bool dryRun = false;
    bool json = false;
    bool undo = false;
    QVariantMap options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == "--dry-run" || word == "--json" || word == "--undo") {
            (word == "--dry-run" ? dryRun : word == "--json" ? json : undo) = true;
            continue;
        }
        if (i + 1 == arguments.size() ||
            !(word == "--older-than" || word == "--kinds" || word == "--to"))
            return misused(QStringLiteral("tidy does not take %1").arg(bus::echoed(word)));
        const QString value = arguments[++i];
        if (word == "--older-than")
            options["olderThanDays"] = value;
        else if (word == "--kinds")
            options["kinds"] = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
        else
            options["to"] = value == QLatin1String("trash") ? value : absolute(value);
    }
    if (undo && (dryRun || !options.isEmpty()))
        return misused(QStringLiteral("tidy --undo takes only --json"));
    if (TidyRule rule; const auto error = rule.applyOptions(options))
        return misused(*error);
    const QString method = undo ? "TidyUndo" : dryRun ? "TidyPreview" : "Tidy";
    const int timeoutMs = dryRun ? timeouts.callMs : timeouts.slowMs;
    const QDBusMessage reply =
        call(method, undo ? QVariantList{} : QVariantList{options}, timeoutMs);
    if (const int status = statusOf(reply, timeoutMs); status != commandline::done)
        return status;
    if (reply.arguments().size() != 1) {
        print(stderr, QStringLiteral("Vantle gave an answer this command does not read\n"));
        return commandline::refused;
    }
    const auto entries = qdbus_cast<QList<bus::TidyEntry>>(reply.arguments().constFirst());
    printTidy(entries, dryRun, json);
    // A run that left something behind says so in its status.
    const bool allMoved =
        std::all_of(entries.begin(), entries.end(),
                    [](const bus::TidyEntry& entry) { return entry.error.isEmpty(); });
    return allMoved ? commandline::done : commandline::refused;
}

// The file managers' form, `mark [--ask] [--notify] FILE…` and `keep
// [--notify] FILE…`: every file in one go. With --notify what went wrong is
// also a desktop notification, as nobody reads the output of a context menu.
int forFiles(const QString& command, const QStringList& arguments,
             const commandline::Timeouts& timeouts)
{
    bool ask = false;
    bool notify = false;
    qsizetype first = 0;
    for (; first < arguments.size() && arguments[first].startsWith(QLatin1String("--")); ++first) {
        if (arguments[first] == "--notify")
            notify = true;
        else if (arguments[first] == "--ask" && command == "mark")
            ask = true;
        else
            return misused(
                QStringLiteral("%1 does not take %2").arg(command, bus::echoed(arguments[first])));
    }
    QStringList files;
    for (const QString& file : arguments.mid(first))
        files.append(absolute(file));
    if (files.isEmpty())
        return misused(QStringLiteral("%1 needs a FILE").arg(command));

    QStringList problems;
    Failure worst;
    const auto answered = [&](const QDBusMessage& reply, int timeoutMs) {
        const Failure failure = failureOf(reply, timeoutMs);
        if (failure.status == commandline::done) {
            if (!reply.arguments().isEmpty())
                print(stdout, reply.arguments().constFirst().toString() + QLatin1Char('\n'));
            return true;
        }
        print(stderr, failure.message + QLatin1Char('\n'));
        if (worst.status == commandline::done || failure.status != commandline::refused)
            worst = failure;
        // The user's own Escape needs no message.
        if (reply.errorName() != bus::errorCancelled)
            problems.append(failure.message);
        return failure.status == commandline::refused;
    };
    if (ask) {
        answered(call("AskMark", {files}, timeouts.askMs), timeouts.askMs);
    } else {
        for (const QString& file : files) {
            const QVariantList arguments =
                command == "mark" ? QVariantList{file, QString()} : QVariantList{file};
            // Without Vantle, or without its answer, the other files fare no better.
            if (!answered(call(command == "mark" ? "Mark" : "Keep", arguments, timeouts.callMs),
                          timeouts.callMs))
                break;
        }
    }
    if (notify && !problems.isEmpty()) {
        if (worst.status == commandline::notRunning)
            desktopnotice::show(worst.message, QStringLiteral("Start Vantle, then try again."));
        else
            desktopnotice::show(command == "mark" ? QStringLiteral("Not marked as temporary")
                                                  : QStringLiteral("Not kept"),
                                problems.join(QLatin1Char('\n')));
    }
    return worst.status;
}

} // namespace

QString commandline::usage()
{
    return QStringLiteral(
        "Usage: vantle [--help] [--version]\n"
        "       vantle COMMAND [ARGUMENTS]\n"
        "\n"
        "Keeps the Downloads folder tidy: every new download is announced in a\n"
        "toast from which it can be marked temporary (moved to the Trash when\n"
        "its lifetime ends), moved to a folder, opened, copied or trashed.\n"
        "\n"
        "  --help     show this help and exit\n"
        "  --version  show the version and exit\n"
        "\n"
        "Commands, carried out by the running Vantle (FILE is directly inside Downloads):\n"
        "  list [--json]         the tracked files: state, expiry and path\n"
        "  mark FILE [DURATION]  mark FILE temporary for DURATION (\"2h\", \"1d 4h\"),\n"
        "                        else for the default lifetime; prints the expiry\n"
        "  keep FILE             keep FILE: it is no longer temporary\n"
        "  mark [--ask] [--notify] FILE...\n"
        "  keep [--notify] FILE...\n"
        "                        the same for several files; --ask opens Vantle's panel\n"
        "                        for the lifetime (Escape cancels), --notify also shows\n"
        "                        what went wrong as a desktop notification\n"
        "  trash FILE            move FILE to the Trash now\n"
        "  restore NAME          put the trashed file NAME back; prints its path\n"
        "  tidy [--dry-run] [--json] [--older-than DAYS] [--kinds KIND,...]\n"
        "       [--to trash|FOLDER]\n"
        "                        move the kept items older than DAYS out of Downloads\n"
        "                        (the rule of the settings, changed for this run);\n"
        "                        --dry-run only lists them. KIND: installers, archives,\n"
        "                        disk-images, documents, images, audio, video\n"
        "  tidy --undo [--json]  bring the items of the last tidy run back\n"
        "  quit                  stop the running Vantle\n"
        "\n"
        "Exit status: 0 done, 1 refused (the reason is printed), 2 usage error,\n"
        "3 Vantle is not running, 4 Vantle did not answer in time.\n"
        "\n"
        "Diagnostics: QT_LOGGING_RULES=\"vantle.*.debug=true\" vantle\n");
}

QString commandline::shellEscaped(const QString& name)
{
    const auto isControl = [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
               c == QChar::ParagraphSeparator;
    };
    // What a shell reads as syntax somewhere in a word; '#' and '~' only at its start.
    const auto isSpecial = [](QChar c, qsizetype at) {
        static const QString anywhere = QStringLiteral(" \t!\"$&'()*;<=>?[\\]^`|");
        return anywhere.contains(c) ||
               (at == 0 && (c == QLatin1Char('#') || c == QLatin1Char('~')));
    };
    bool control = false;
    bool special = name.isEmpty();
    for (qsizetype i = 0; i < name.size(); ++i) {
        control = control || isControl(name.at(i));
        special = special || isSpecial(name.at(i), i);
    }
    if (!control && !special)
        return name;
    if (!control) {
        // A lone kind of quote: the other kind keeps it readable.
        const bool doubleSafe = !name.contains(QRegularExpression(QStringLiteral("[\"$`\\!]")));
        if (name.contains(QLatin1Char('\'')) && doubleSafe)
            return QLatin1Char('"') + name + QLatin1Char('"');
    }
    // Printable runs in single quotes, control characters as $'\n'; like
    // `ls`, a name that starts with one starts with ''.
    QString out = isControl(name.at(0)) ? QStringLiteral("''") : QString();
    bool quoted = false;
    for (const QChar c : name) {
        if (isControl(c)) {
            if (quoted)
                out += QLatin1Char('\'');
            quoted = false;
            static const QHash<char16_t, QString> named = {
                {u'\a', "\\a"}, {u'\b', "\\b"}, {u'\t', "\\t"}, {u'\n', "\\n"},
                {u'\v', "\\v"}, {u'\f', "\\f"}, {u'\r', "\\r"}, {u'\x1b', "\\E"}};
            QString escape = named.value(c.unicode());
            if (escape.isEmpty()) {
                for (const char byte : QString(c).toUtf8())
                    escape +=
                        QStringLiteral("\\%1").arg(uint(quint8(byte)), 3, 8, QLatin1Char('0'));
            }
            out += QStringLiteral("$'") + escape + QLatin1Char('\'');
            continue;
        }
        if (!quoted)
            out += QLatin1Char('\'');
        quoted = true;
        out += c == QLatin1Char('\'') ? QStringLiteral("'\\''") : QString(c);
    }
    if (quoted)
        out += QLatin1Char('\'');
    return out;
}

bool commandline::isCommand(const QString& word)
{
    return commands.contains(word);
}

int commandline::run(const QStringList& arguments, const Timeouts& timeouts)
{
    if (arguments.contains("--help") || arguments.contains("-h")) {
        print(stdout, usage());
        return done;
    }
    const QString command = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (command == "list")
        return list(rest, timeouts.callMs);
    if ((command == "mark" || command == "keep") && !rest.isEmpty() &&
        rest[0].startsWith(QLatin1String("--")))
        return forFiles(command, rest, timeouts);
    if (command == "mark" && !rest.isEmpty()) {
        // A duration may be typed unquoted: "mark f.pdf 1d 4h"; any other word is stray.
        const QString duration = rest.mid(1).join(QLatin1Char(' '));
        if (const QStringList stray = DurationParser::strayWords(duration); !stray.isEmpty())
            return misused(QStringLiteral("\"%1\" is not part of a duration")
                               .arg(bus::echoed(stray.join(QLatin1Char(' ')))));
        return simpleCall("Mark", {absolute(rest[0]), duration}, timeouts.callMs);
    }
    if (command == "keep" && rest.size() == 1)
        return simpleCall("Keep", {absolute(rest[0])}, timeouts.callMs);
    if (command == "trash" && rest.size() == 1)
        return simpleCall("Trash", {absolute(rest[0])}, timeouts.slowMs);
    if (command == "restore" && rest.size() == 1)
        return simpleCall("Restore", {rest[0]}, timeouts.slowMs);
    if (command == "tidy")
        return tidy(rest, timeouts);
    if (command == "quit" && rest.isEmpty())
        return simpleCall("Quit", {}, timeouts.callMs);
    if (isCommand(command))
        return misused(QStringLiteral("wrong arguments for %1").arg(command));
    return misused(QStringLiteral("unknown command %1").arg(bus::echoed(command)));
}

void commandline::leave(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

bool commandline::showRunningPopover()
{
    return call("ShowPopover", {}, popoverCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}
