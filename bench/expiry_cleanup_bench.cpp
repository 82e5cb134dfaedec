// SPDX-License-Identifier: GPL-3.0-or-later
// The cleanup service's costs: scheduling many deadlines, how late deadlines
// fire, and trashing expired files at start-up through the real Trash, beside
// one `gio trash` call for as many files into the same Trash.
//   build/bench/expiry_cleanup_bench --benchmark_counters_tabular=true
// Runs in a temporary HOME of its own, so nothing reaches the user's Trash.
#include "bench_home.h"
#include "expiry/CleanupService.h"
#include "platform/ContinuousTimer.h"
#include "store/TrackedFileActor.h"
#include "store/TrashJournal.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

QString benchHome;

// Resident memory of the process, in bytes.
double residentBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024;
    }
    return 0;
}

// Heap bytes in use, over every arena.
double heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

struct Store {
    QTemporaryDir folder{benchHome + QStringLiteral("/store-XXXXXX")};
    std::unique_ptr<TrackedFileActor> actor;
    explicit Store(const QString& downloads = {})
    {
        QString error;
        TrackedFileActor::Options options;
        options.storePath = folder.path() + QStringLiteral("/Vantle.store");
        options.downloadsPath = downloads;
        actor = TrackedFileActor::open(options, &error);
    }
};

void BM_Schedule100k(benchmark::State& state)
{
    constexpr int count = 100000;
    Store store;
    double added = 0;
    double heapAdded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        CleanupService service(*store.actor);
        service.scheduledCount().waitForFinished(); // its thread and timer are up
        malloc_trim(0);
        const double before = residentBytes();
        const double heapBefore = heapInUse();
        const QDateTime tomorrow = QDateTime::currentDateTimeUtc().addDays(1);
        state.ResumeTiming();
        for (int i = 1; i <= count; ++i)
            service.schedule(RecordId{i}, tomorrow.addSecs(i % 3600));
        const int scheduled = service.scheduledCount().result();
        state.PauseTiming();
        // What the deadlines hold, not what the drained queue of calls left behind.
        malloc_trim(0);
        added = residentBytes() - before;
        heapAdded = heapInUse() - heapBefore;
        if (scheduled != count)
            state.SkipWithError("not every deadline was kept");
        service.shutdown();
        state.ResumeTiming();
    }
    state.counters["RSS_MiB_added"] = added / (1024 * 1024);
    state.counters["heap_MiB_added"] = heapAdded / (1024 * 1024);
    state.counters["heap_bytes_per_deadline"] = heapAdded / count;
}
BENCHMARK(BM_Schedule100k)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// 1,000 deadlines spread over one second; how long after its deadline each runs.
void BM_DeadlineLateness(benchmark::State& state)
{
    constexpr int count = 1000;
    std::vector<double> lateMs;
    for (auto _ : state) {
        lateMs.clear();
        ContinuousTimer timer;
        QEventLoop loop;
        const auto start = ContinuousTimer::now();
        for (int i = 0; i < count; ++i) {
            const auto deadline =
                start + 5ms +
                std::chrono::microseconds(QRandomGenerator::global()->bounded(1000000));
            timer.scheduleAt(deadline, [&, deadline] {
                lateMs.push_back(double((ContinuousTimer::now() - deadline).count()) / 1e6);
                if (int(lateMs.size()) == count)
                    loop.quit();
            });
        }
        loop.exec();
    }
    std::sort(lateMs.begin(), lateMs.end());
    state.counters["p50_ms"] = lateMs[lateMs.size() / 2];
    state.counters["p99_ms"] = lateMs[lateMs.size() * 99 / 100];
    state.counters["max_ms"] = lateMs.back();
}
BENCHMARK(BM_DeadlineLateness)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// `count` files of 4 KiB in a fresh folder, named `stem`-N.bin; their snapshots.
std::vector<DownloadFileSnapshot> makeFiles(const QString& folder, int count,
                                            const QString& stem = QStringLiteral("expired"))
{
    QDir().mkpath(folder);
    std::vector<DownloadFileSnapshot> files;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1-%2.bin").arg(stem).arg(i);
        const QString path = folder + QLatin1Char('/') + name;
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(4096, 'x'));
        file.close();
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        files.push_back({std::uint64_t(st.st_ino), path, name, 4096, {}});
    }
    return files;
}

// A long-used Trash: this many items already in it, described as GIO does.
constexpr int heldInTrash = 20000;
// A busy week's journal beside the store.
constexpr int heldInJournal = 100000;

void fillTrashOnce()
{
    static bool filled = false;
    if (filled)
        return;
    filled = true;
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash");
    QDir().mkpath(root + QStringLiteral("/files"));
    QDir().mkpath(root + QStringLiteral("/info"));
    for (int i = 0; i < heldInTrash; ++i) {
        const QString name = QStringLiteral("old-%1.bin").arg(i);
        QFile item(root + QStringLiteral("/files/") + name);
        item.open(QIODevice::WriteOnly);
        item.write("old");
        QFile info(root + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        info.open(QIODevice::WriteOnly);
        info.write("[Trash Info]\nPath=" + QFile::encodeName(benchHome) + "/Downloads/" +
                   name.toUtf8() + "\nDeletionDate=2026-01-01T00:00:00\n");
    }
}

// The journal of a store that trashed `heldInJournal` items in the last days.
void fillJournal(const QString& storePath)
{
    QByteArray lines;
    const QByteArray at =
        QDateTime::currentDateTimeUtc().addDays(-1).toString(Qt::ISODateWithMs).toUtf8();
    for (int i = 0; i < heldInJournal; ++i) {
        const QByteArray n = QByteArray::number(i);
        lines += R"({"at":")" + at + R"(","inode":")" + QByteArray::number(1000000 + i) +
                 R"(","location":"/nowhere/Trash/files/gone-)" + n +
                 R"(.bin","path":"/nowhere/Downloads/gone-)" + n + ".bin\"}\n";
    }
    QFile journal(TrashJournal::besideStore(storePath));
    journal.open(QIODevice::WriteOnly);
    journal.write(lines);
}

// The floor under rehydration: the Trash alone, one file after another.
void BM_TrashOnly1000(benchmark::State& state)
{
    constexpr int count = 1000;
    int round = 0;
    fillTrashOnce();
    auto trash = makeSystemTrash();
    for (auto _ : state) {
        state.PauseTiming();
        const auto files = makeFiles(benchHome + QStringLiteral("/Plain-%1").arg(++round), count);
        state.ResumeTiming();
        for (const DownloadFileSnapshot& file : files)
            trash->moveToTrash(file.filePath);
    }
    state.counters["per_file_us"] =
        benchmark::Counter(double(count) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TrashOnly1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The figures both trashing benchmarks give, to set them side by side.
void reportTrashing(benchmark::State& state, int count)
{
    state.counters["files"] = count;
    state.counters["in_trash_before"] = heldInTrash;
    state.counters["per_file_us"] =
        benchmark::Counter(double(count) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Start-up after the program was off: 1,000 expired files go to the real Trash,
// which already holds 20,000 items, beside a journal of 100,000 entries.
void BM_RehydrateTrash1000(benchmark::State& state)
{
    constexpr int count = 1000;
    int round = 0;
    fillTrashOnce();
    for (auto _ : state) {
        state.PauseTiming();
        const QString downloads = benchHome + QStringLiteral("/Downloads-%1").arg(++round);
        // Made and removed while the clock is stopped.
        auto held = std::make_unique<Store>(downloads);
        Store& store = *held;
        fillJournal(store.folder.path() + QStringLiteral("/Vantle.store"));
        const auto files = makeFiles(downloads, count, QStringLiteral("expired-%1").arg(round));
        const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-60);
        store.actor
            ->perform<void>([&files, past](TrackedFileActor::Context& context) {
                for (const DownloadFileSnapshot& file : files) {
                    TrackedFile record(file.inode, file.filePath, file.fileName, file.fileSize,
                                       past);
                    record.state = FileState::temporary;
                    record.markedTemporaryAt = past;
                    record.expiresAt = past;
                    context.model().insert(record);
                }
                context.save();
            })
            .waitForFinished();
        auto cleanup = std::make_unique<CleanupService>(*store.actor);
        CleanupService& service = *cleanup;
        state.ResumeTiming();
        service.rehydrate().waitForFinished();
        state.PauseTiming();
        if (!QDir(downloads).isEmpty() || !store.actor->allRecords().result().empty())
            state.SkipWithError("not every expired file was trashed");
        if (store.actor->recordTrash().journal().entries().size() !=
            std::size_t(heldInJournal + count))
            state.SkipWithError("not every trashed file was noted in the journal");
        service.shutdown();
        cleanup.reset();
        held.reset();
        state.ResumeTiming();
    }
    reportTrashing(state, count);
}
BENCHMARK(BM_RehydrateTrash1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The peer: one `gio trash` call for 1,000 files into the same Trash, process
// start included.
void BM_GioTrashOneCall1000(benchmark::State& state)
{
    constexpr int count = 1000;
    int round = 0;
    fillTrashOnce();
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = benchHome + QStringLiteral("/Gio-%1").arg(++round);
        QStringList arguments{QStringLiteral("trash")};
        for (const DownloadFileSnapshot& file :
             makeFiles(folder, count, QStringLiteral("gio-%1").arg(round)))
            arguments.append(file.filePath);
        state.ResumeTiming();
        const int status = QProcess::execute(QStringLiteral("gio"), arguments);
        state.PauseTiming();
        if (status != 0 || !QDir(folder).isEmpty())
            state.SkipWithError("gio trash did not trash every file");
        state.ResumeTiming();
    }
    reportTrashing(state, count);
}
BENCHMARK(BM_GioTrashOneCall1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runInPrivateHome(argc, argv, benchHome);
}
