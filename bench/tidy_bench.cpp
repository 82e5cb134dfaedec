// SPDX-License-Identifier: GPL-3.0-or-later
// Tidy rules: a preview over 10,000 items in Downloads with a 5,000-entry
// recently-used.xbel (budget 300 ms), and a run over 1,000 items and its undo,
// to the real Trash beside one `gio trash` call for as many files, and to an
// archive folder beside one `mv` call.
//   build/bench/tidy_bench --benchmark_counters_tabular=true
// Runs in a temporary HOME of its own, so nothing reaches the user's Trash.
#include "bench_home.h"
#include "popover/RecentlyTrashed.h"
#include "store/TrackedFileActor.h"
#include "tidy/Tidier.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <benchmark/benchmark.h>
#include <sys/stat.h>

namespace {

QString benchHome;

// Files in a fresh folder, each recorded as kept long ago when `records`.
struct Downloads {
    QString path;
    QTemporaryDir storeFolder{benchHome + QStringLiteral("/store-XXXXXX")};
    std::unique_ptr<TrackedFileActor> store;
    std::unique_ptr<Tidier> tidier;

    Downloads(const QString& name, int count, int recorded, const QString& xbel = {})
        : path(benchHome + QLatin1Char('/') + name)
    {
        QDir().mkpath(path);
        QString error;
        TrackedFileActor::Options options;
        options.storePath = storeFolder.path() + QStringLiteral("/Vantle.store");
        options.downloadsPath = path;
        options.trash = makeSystemTrash();
        store = TrackedFileActor::open(options, &error);
        const QDateTime past = QDateTime::currentDateTimeUtc().addDays(-60);
        std::vector<TrackedFile> records;
        for (int i = 0; i < count; ++i) {
            const QString file = path + QStringLiteral("/item-%1.pdf").arg(i);
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write("%PDF-1.4 tidy");
            out.close();
            struct stat st {};
            ::lstat(QFile::encodeName(file).constData(), &st);
            if (i < recorded) {
                TrackedFile record(st.st_ino, file, QFileInfo(file).fileName(), 13, past);
                record.state = FileState::dismissed;
                records.push_back(record);
            }
        }
        store
            ->perform<void>([&records](TrackedFileActor::Context& context) {
                for (const TrackedFile& record : records)
                    context.model().insert(record);
                context.save();
            })
            .waitForFinished();
        tidier = std::make_unique<Tidier>(
            *store, Tidier::Options{{},
                                    xbel,
                                    [actor = store.get()](const QStringList& locations) {
                                        return RecentlyTrashed::restoreAllNow(*actor, locations);
                                    },
                                    [] { return QDateTime::currentDateTimeUtc().addDays(40); }});
    }
    ~Downloads()
    {
        tidier->shutdown();
        store->shutdown();
    }
};

// A bookmark file of `count` entries, every other one inside `downloads`.
QString writeXbel(const QString& downloads, int count)
{
    const QString path = benchHome + QStringLiteral("/recently-used.xbel");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\" "
               "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\" "
               "xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n");
    // Opened the day before the preview's clock (40 days ahead).
    const QString at = QDateTime::currentDateTimeUtc().addDays(39).toString(Qt::ISODate);
    for (int i = 0; i < count; ++i) {
        const QString target = i % 2 ? downloads + QStringLiteral("/item-%1.pdf").arg(i * 2)
                                     : benchHome + QStringLiteral("/elsewhere/doc-%1.txt").arg(i);
        file.write(QStringLiteral("  <bookmark href=\"%1\" added=\"%2\" modified=\"%2\" "
                                  "visited=\"%2\"><info><metadata "
                                  "owner=\"http://freedesktop.org\"><mime:mime-type "
                                  "type=\"application/pdf\"/></metadata></info></bookmark>\n")
                       .arg(QUrl::fromLocalFile(target).toString(QUrl::FullyEncoded), at)
                       .toUtf8());
    }
    file.write("</xbel>\n");
    return path;
}

void BM_TidyPreview10000(benchmark::State& state)
{
    const QString downloads = benchHome + QStringLiteral("/Preview");
    const QString xbel = writeXbel(downloads, 5000);
    Downloads folder(QStringLiteral("Preview"), 10000, 5000, xbel);
    TidyRule rule;
    rule.olderThanDays = 30;
    std::size_t taken = 0;
    for (auto _ : state)
        taken = folder.tidier->preview(rule).result().items.size();
    state.counters["items"] = 10000;
    state.counters["taken"] = double(taken);
    if (taken != 10000 - 2500)
        state.SkipWithError(
            QStringLiteral("the preview took %1 items, not 7500").arg(taken).toStdString().c_str());
}
BENCHMARK(BM_TidyPreview10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A run over 1,000 items and its undo; the run is timed, the undo counted.
void tidyRun(benchmark::State& state, bool toArchive)
{
    constexpr int count = 1000;
    int round = 0;
    double undoMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Made and closed outside the timing: the store's close is no part of a run.
        auto folder = std::make_unique<Downloads>(
            QStringLiteral("%1-%2").arg(toArchive ? "Archive" : "Trash").arg(++round), count,
            count);
        TidyRule rule;
        rule.olderThanDays = 30;
        if (toArchive) {
            rule.destination = TidyRule::Destination::archive;
            rule.archiveFolder = folder->path + QStringLiteral("-archive");
        }
        state.ResumeTiming();
        const TidyReport run = folder->tidier->apply(rule).result();
        state.PauseTiming();
        QElapsedTimer undo;
        undo.start();
        const TidyReport back = folder->tidier->undo().result();
        undoMs += double(undo.elapsed());
        if (run.movedCount() != count || back.movedCount() != count)
            state.SkipWithError("not every item went and came back");
        folder.reset();
        state.ResumeTiming();
    }
    state.counters["files"] = count;
    state.counters["undo_ms"] = undoMs / double(state.iterations());
}

void BM_TidyTrash1000(benchmark::State& state)
{
    tidyRun(state, false);
}
BENCHMARK(BM_TidyTrash1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_TidyArchive1000(benchmark::State& state)
{
    tidyRun(state, true);
}
BENCHMARK(BM_TidyArchive1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The peers: one `gio trash` call, or one `mv` call, for 1,000 files, process
// start included.
void peer(benchmark::State& state, const QString& program)
{
    constexpr int count = 1000;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString folder = benchHome + QStringLiteral("/%1-%2").arg(program).arg(++round);
        QDir().mkpath(folder + QStringLiteral("-to"));
        QStringList arguments;
        if (program == QLatin1String("gio"))
            arguments.append(QStringLiteral("trash"));
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i) {
            QFile out(folder + QStringLiteral("/item-%1.pdf").arg(i));
            out.open(QIODevice::WriteOnly);
            out.write("%PDF-1.4 tidy");
            arguments.append(out.fileName());
        }
        if (program == QLatin1String("mv"))
            arguments << QStringLiteral("-n") << QStringLiteral("-t") << folder + "-to";
        state.ResumeTiming();
        const int status = QProcess::execute(program, arguments);
        state.PauseTiming();
        if (status != 0 || !QDir(folder).isEmpty())
            state.SkipWithError("the peer did not move every file");
        state.ResumeTiming();
    }
    state.counters["files"] = count;
}

void BM_GioTrashOneCall1000(benchmark::State& state)
{
    peer(state, QStringLiteral("gio"));
}
BENCHMARK(BM_GioTrashOneCall1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_MvOneCall1000(benchmark::State& state)
{
    peer(state, QStringLiteral("mv"));
}
BENCHMARK(BM_MvOneCall1000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runInPrivateHome(argc, argv, benchHome);
}
