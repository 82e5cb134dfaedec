// SPDX-License-Identifier: GPL-3.0-or-later
// The folder matcher per keystroke over 200,000 folders.
//   move_matcher_bench                         Google Benchmark runs, p50/p99 per keystroke
//   move_matcher_bench --write LIST QUERIES    writes the folder list and the keystrokes
//   move_matcher_bench --answer LIST QUERIES   loads the list, answers every keystroke
//                                              (the whole-process run beside fzf --filter)
#include "move/FolderList.h"
#include "move_bench_data.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

const QString home = QStringLiteral("/home/bench");
constexpr int folderCount = 200000;

const FolderList& folders()
{
    static const FolderList list(movebench::generatePaths(home, folderCount), home);
    return list;
}

void BM_Keystroke(benchmark::State& state)
{
    const FolderList& list = folders();
    const QStringList keys = movebench::keystrokes();
    // Wall time counts waits for a core on a shared machine; CPU time does not.
    std::vector<double> wall, cpu;
    std::size_t key = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t startCpu = std::clock();
        auto matches = list.search(keys[qsizetype(key % std::size_t(keys.size()))], 3);
        benchmark::DoNotOptimize(matches);
        cpu.push_back(1000.0 * double(std::clock() - startCpu) / CLOCKS_PER_SEC);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        ++key;
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    const auto percentile = [](const std::vector<double>& sorted, int p) {
        return sorted[std::min(sorted.size() - 1, sorted.size() * std::size_t(p) / 100)];
    };
    state.counters["wall_p50_ms"] = percentile(wall, 50);
    state.counters["wall_p99_ms"] = percentile(wall, 99);
    state.counters["cpu_p50_ms"] = percentile(cpu, 50);
    state.counters["cpu_p99_ms"] = percentile(cpu, 99);
    state.counters["folders"] = double(list.size());
    state.counters["keystrokes"] = double(keys.size());
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond)->Iterations(3 * 134);

void BM_PrepareList(benchmark::State& state)
{
    const QStringList paths = movebench::generatePaths(home, folderCount);
    for (auto _ : state) {
        FolderList list(paths, home);
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_PrepareList)->Unit(benchmark::kMillisecond)->Iterations(3);

int writeFiles(const QString& listFile, const QString& queryFile)
{
    QFile list(listFile), queries(queryFile);
    if (!list.open(QIODevice::WriteOnly) || !queries.open(QIODevice::WriteOnly))
        return 1;
    for (const QString& path : movebench::generatePaths(home, folderCount))
        list.write(path.toUtf8() + '\n');
    for (const QString& key : movebench::keystrokes())
        queries.write(key.toUtf8() + '\n');
    return 0;
}

int answer(const QString& listFile, const QString& queryFile)
{
    QFile list(listFile), queries(queryFile);
    if (!list.open(QIODevice::ReadOnly) || !queries.open(QIODevice::ReadOnly))
        return 1;
    QStringList paths;
    while (!list.atEnd())
        paths.append(QString::fromUtf8(list.readLine()).chopped(1));
    const FolderList folders(paths, home);
    long found = 0;
    while (!queries.atEnd()) {
        const auto matches = folders.search(QString::fromUtf8(queries.readLine()).chopped(1), 3);
        found += matches.size();
        for (const FolderMatch& match : matches)
            std::fputs(qPrintable(match.path + QLatin1Char('\n')), stdout);
    }
    std::fprintf(stderr, "%ld matches shown\n", found);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--write"))
        return writeFiles(args[2], args[3]);
    if (args.size() == 4 && args[1] == QLatin1String("--answer"))
        return answer(args[2], args[3]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
