// SPDX-License-Identifier: GPL-3.0-or-later
// Marking files over the session bus as the command line does: `calls` Mark
// calls, one after another, each answered before the next, with `records`
// files and records in the store. On a dbus-daemon of its own, in a
// temporary HOME, with the real store, expiry service and tags.
//   build/bench/bus_mark_bench [records] [calls]
#include "app/BusProtocol.h"
#include "app/VantleBus.h"
#include "expiry/CleanupService.h"
#include "store/TrackedFileActor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Real files in Downloads, each with its record, kept.
bool fillStore(TrackedFileActor& store, const QString& downloads, int records)
{
    QDir().mkpath(downloads);
    std::vector<TrackedFile> files;
    for (int i = 0; i < records; ++i) {
        const QString name = QStringLiteral("download-%1.bin").arg(i);
        const QString path = downloads + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("data") != 4)
            return false;
        file.close();
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        TrackedFile record(std::uint64_t(st.st_ino), path, name, 4,
                           QDateTime::currentDateTimeUtc());
        record.state = FileState::dismissed;
        files.push_back(std::move(record));
    }
    return store
        .perform<bool>([&files](TrackedFileActor::Context& context) {
            for (const TrackedFile& file : files)
                context.model().insert(file);
            return !context.save();
        })
        .result();
}

} // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int calls = argc > 2 ? std::atoi(argv[2]) : 1000;
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-bench-XXXXXX"));
    const QByteArray root = QFile::encodeName(home.path());
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    QCoreApplication app(argc, argv);

    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"),
                  QStringLiteral("--print-address")});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(10000)) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());

    const QString downloads = home.path() + QStringLiteral("/Downloads");
    QString error;
    TrackedFileActor::Options options;
    options.storePath = home.path() + QStringLiteral("/.local/share/Vantle/Vantle.store");
    options.downloadsPath = downloads;
    auto store = TrackedFileActor::open(options, &error);
    if (!store || !fillStore(*store, downloads, records)) {
        std::fprintf(stderr, "the store could not be filled: %s\n", qPrintable(error));
        return 1;
    }
    CleanupService cleanup(*store);
    int failures = 0;
    {
        VantleBus vantle(VantleBus::Services{*store, cleanup, {}, {}});
        if (!vantle.publish(QDBusConnection::sessionBus(), &error)) {
            std::fprintf(stderr, "could not publish: %s\n", qPrintable(error));
            return 1;
        }
        const QDBusConnection client =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i) {
            // Spread over the store, the newest records too.
            const int index = int(qint64(i) * records / calls + records / calls / 2);
            QDBusMessage mark = QDBusMessage::createMethodCall(
                bus::serviceName, bus::objectPath, bus::interfaceName, QStringLiteral("Mark"));
            mark.setArguments(
                {downloads + QStringLiteral("/download-%1.bin").arg(index), QStringLiteral("2h")});
            QDBusPendingCallWatcher answer(client.asyncCall(mark));
            QEventLoop loop;
            QObject::connect(&answer, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
            if (!answer.isFinished())
                loop.exec();
            failures += answer.isError() ? 1 : 0;
        }
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("%d Mark calls over the session bus, %d records: %.3f s (%.0f us/call), "
                    "%d failed\n",
                    calls, records, seconds, seconds * 1e6 / calls, failures);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    cleanup.shutdown();
    store->shutdown();
    daemon.terminate();
    daemon.waitForFinished();
    return failures == 0 ? 0 : 1;
}
