// SPDX-License-Identifier: GPL-3.0-or-later
// The store's hot operations on a real SQLite file:
//   build/bench/store_bench --benchmark_counters_tabular=true
#include "store/TrackedFileActor.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Store {
    QTemporaryDir folder;
    std::unique_ptr<TrackedFileActor> actor;
    Store()
    {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = folder.path() + "/Vantle.store";
        actor = TrackedFileActor::open(options, &error);
    }
};

// Fills a store with `count` records, one in ten temporary and half of those expired.
void fill(TrackedFileActor& actor, int count)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    actor
        .perform<void>([count, now](TrackedFileActor::Context& context) {
            for (int i = 0; i < count; ++i) {
                TrackedFile record(1000000 + i,
                                   QStringLiteral("/home/u/Downloads/file-%1.pdf").arg(i),
                                   QStringLiteral("file-%1.pdf").arg(i), 1000 + i, now);
                if (i % 10 == 0) {
                    record.state = FileState::temporary;
                    record.markedTemporaryAt = now;
                    record.expiresAt = now.addSecs(i % 20 == 0 ? -60 : 3600);
                }
                context.model().insert(record);
            }
            context.save();
        })
        .waitForFinished();
}

void BM_InsertRecordWithSave(benchmark::State& state)
{
    Store store;
    std::uint64_t inode = 1;
    for (auto _ : state) {
        store.actor
            ->insertRecord(inode, QStringLiteral("/home/u/Downloads/f%1").arg(inode),
                           QStringLiteral("f%1").arg(inode), 42)
            .waitForFinished();
        ++inode;
    }
    state.counters["inserts/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_InsertRecordWithSave)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FetchExpired100k(benchmark::State& state)
{
    Store store;
    fill(*store.actor, 100000);
    std::size_t found = 0;
    for (auto _ : state)
        found = store.actor->fetchExpired().result().size();
    state.counters["expired"] = double(found);
}
BENCHMARK(BM_FetchExpired100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AllRecords100k(benchmark::State& state)
{
    Store store;
    fill(*store.actor, 100000);
    std::size_t found = 0;
    for (auto _ : state)
        found = store.actor->allRecords().result().size();
    state.counters["records"] = double(found);
}
BENCHMARK(BM_AllRecords100k)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenStore100k(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.path() + "/Vantle.store";
    {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = path;
        auto actor = TrackedFileActor::open(options, &error);
        fill(*actor, 100000);
    }
    for (auto _ : state) {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = path;
        auto actor = TrackedFileActor::open(options, &error);
        benchmark::DoNotOptimize(actor.get());
    }
}
BENCHMARK(BM_OpenStore100k)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
