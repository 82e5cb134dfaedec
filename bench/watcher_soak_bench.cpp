// SPDX-License-Identifier: GPL-3.0-or-later
// The long soak of the Downloads watcher: a seeded run of random operations on
// a real Downloads folder, then the count of differences between the store
// and the folder once things are quiet (target 0).
//   watcher_soak_bench [operations] [seed]

#include "../tests/watcher/WatcherSoak.h"
#include "store/TrackedFileActor.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/FileProcessor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-soak-XXXXXX"));
    qputenv("HOME", home.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    const int operations = argc > 1 ? std::atoi(argv[1]) : 100000;
    const std::uint32_t seed = argc > 2 ? std::uint32_t(std::strtoul(argv[2], nullptr, 10)) : 1;

    const QString downloads = home.path() + QStringLiteral("/Downloads");
    const QString outside = home.path() + QStringLiteral("/elsewhere");
    QDir().mkpath(downloads);
    QDir().mkpath(outside);
    TrackedFileActor::Options options;
    options.storePath = home.path() + QStringLiteral("/Vantle.store");
    QString error;
    auto store = TrackedFileActor::open(options, &error);
    if (!store) {
        std::fprintf(stderr, "store: %s\n", qPrintable(error));
        return 1;
    }
    FSEventsMonitor monitor(downloads);
    FileProcessor processor(monitor, *store, downloads, [](RecordId) {});
    auto stream = monitor.makeEventStream();
    monitor.start().waitForFinished();
    processor.start(stream).waitForFinished();

    soak::Generator generator(downloads, outside, seed);
    QElapsedTimer clock;
    clock.start();
    generator.step(operations);
    const qint64 generated = clock.elapsed();

    // Quiet: the removal delay has passed and nothing is pending or changing.
    QStringList problems;
    QElapsedTimer wait;
    wait.start();
    do {
        QThread::msleep(FileProcessor::removalDelay.count() + 500);
        auto pending = processor.pendingRemovalCount();
        pending.waitForFinished();
        auto records = store->allRecords();
        records.waitForFinished();
        problems = soak::mismatches(downloads, records.result());
        if (problems.isEmpty() && pending.result() == 0)
            break;
    } while (wait.elapsed() < 120000);

    for (const QString& problem : problems)
        std::printf("mismatch: %s\n", qPrintable(problem));
    std::printf(
        "soak: %d operations (seed %u) in %lld ms, settled after %lld ms, mismatches %lld\n",
        operations, seed, static_cast<long long>(generated), static_cast<long long>(wait.elapsed()),
        static_cast<long long>(problems.size()));
    processor.stop();
    monitor.stop();
    store->shutdown();
    return problems.isEmpty() ? 0 : 1;
}
