// SPDX-License-Identifier: GPL-3.0-or-later
// The folder crawl over a synthetic home.
//   move_crawl_bench                      Google Benchmark: builds a 100,000-folder home under
//                                         /tmp, crawls it warm, deletes it
//   move_crawl_bench --make-tree DIR N    creates N folders below DIR
//   move_crawl_bench --crawl DIR          one crawl of DIR (the whole-process run beside find/fd)
#include "move/FolderIndex.h"
#include "move_bench_data.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int folderCount = 100000;

bool makeTree(const QString& root, int count)
{
    for (const QString& path : movebench::generatePaths(root, count))
        if (!QDir().mkdir(path))
            return false;
    return true;
}

void BM_CrawlWarm(benchmark::State& state)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/vantle-crawl-bench-XXXXXX"));
    if (!root.isValid() || !makeTree(root.path(), folderCount)) {
        state.SkipWithError("could not build the tree");
        return;
    }
    FolderIndex::crawlFolders(root.path()); // warm the caches
    qsizetype found = 0;
    for (auto _ : state) {
        const QStringList paths = FolderIndex::crawlFolders(root.path());
        found = paths.size();
        benchmark::DoNotOptimize(paths);
    }
    state.counters["folders"] = double(found);
}
BENCHMARK(BM_CrawlWarm)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--make-tree"))
        return makeTree(args[2], args[3].toInt()) ? 0 : 1;
    if (args.size() == 3 && args[1] == QLatin1String("--crawl")) {
        std::printf("%lld folders\n",
                    static_cast<long long>(FolderIndex::crawlFolders(args[2]).size()));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
