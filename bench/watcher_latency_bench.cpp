// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the Downloads watcher, on real inotify, a real store file and a
// temporary folder:
//   watcher_latency_bench latency [files]  rename into Downloads -> committed record,
//                                          next to inotifywait's delivery of the same events
//   watcher_latency_bench burst [files]    files created as fast as a loop can
//   watcher_latency_bench idle [seconds]   wake-ups of the watcher's threads with nothing to do

#include "store/TrackedFileActor.h"
#include "watcher/FSEventsMonitor.h"
#include "watcher/FileProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index =
        std::min(values.size() - 1, std::size_t(p / 100.0 * double(values.size() - 1) + 0.5));
    return values[index];
}

template <typename F> bool waitFor(F condition, int timeoutMs)
{
    const std::int64_t end = nowNs() + std::int64_t(timeoutMs) * 1000000;
    while (!condition()) {
        if (nowNs() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(100);
    }
    return true;
}

struct Watcher {
    std::unique_ptr<TrackedFileActor> store;
    std::unique_ptr<FSEventsMonitor> monitor;
    std::unique_ptr<FileProcessor> processor;
    std::atomic<int> announced{0};
    std::atomic<std::int64_t> lastAnnouncedNs{0};

    Watcher(const QString& home, const QString& downloads)
    {
        TrackedFileActor::Options options;
        options.storePath = home + QStringLiteral("/Vantle.store");
        QString error;
        store = TrackedFileActor::open(options, &error);
        if (!store) {
            std::fprintf(stderr, "store: %s\n", qPrintable(error));
            std::exit(1);
        }
        monitor = std::make_unique<FSEventsMonitor>(downloads);
        processor = std::make_unique<FileProcessor>(*monitor, *store, downloads, [this](RecordId) {
            lastAnnouncedNs = nowNs();
            ++announced;
        });
        auto stream = monitor->makeEventStream();
        monitor->start().waitForFinished();
        processor->start(stream).waitForFinished();
    }
    ~Watcher()
    {
        processor->stop();
        monitor->stop();
        store->shutdown();
    }
};

int latency(const QString& home, int files)
{
    const QString downloads = home + QStringLiteral("/Downloads");
    const QString outside = home + QStringLiteral("/staging");
    QDir().mkpath(downloads);
    QDir().mkpath(outside);
    Watcher watcher(home, downloads);

    // inotifywait watches the same folder; each line is timed when it reaches us.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::execlp("stdbuf", "stdbuf", "-oL", "inotifywait", "-q", "-m", "-e", "moved_to", "--format",
                 "%f", QFile::encodeName(downloads).constData(), nullptr);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    QMutex mutex;
    std::map<QByteArray, std::int64_t> kernelSeen;
    std::thread reader([&] {
        FILE* in = ::fdopen(pipeFds[0], "r");
        char line[4096];
        while (in && std::fgets(line, sizeof line, in)) {
            const std::int64_t at = nowNs();
            QMutexLocker lock(&mutex);
            kernelSeen[QByteArray(line).trimmed()] = at;
        }
    });
    QThread::msleep(500); // inotifywait sets its watch

    std::vector<double> ours, kernel;
    std::map<QByteArray, std::int64_t> started;
    for (int i = 0; i < files; ++i) {
        const QByteArray name = "file-" + QByteArray::number(i) + ".bin";
        const QString staged = outside + QLatin1Char('/') + QString::fromLatin1(name);
        QFile(staged).open(QIODevice::WriteOnly);
        const int before = watcher.announced;
        const std::int64_t t0 = nowNs();
        ::rename(QFile::encodeName(staged).constData(),
                 QFile::encodeName(downloads + QLatin1Char('/') + QString::fromLatin1(name))
                     .constData());
        started[name] = t0;
        if (!waitFor([&] { return watcher.announced > before; }, 5000)) {
            std::fprintf(stderr, "file %d was not recorded\n", i);
            continue;
        }
        ours.push_back(double(watcher.lastAnnouncedNs - t0) / 1e6);
        QThread::usleep(2000); // one file at a time, the machine otherwise idle
    }
    waitFor(
        [&] {
            QMutexLocker lock(&mutex);
            return kernelSeen.size() >= started.size();
        },
        5000);
    {
        QMutexLocker lock(&mutex);
        for (const auto& [name, t0] : started) {
            auto it = kernelSeen.find(name);
            if (it != kernelSeen.end())
                kernel.push_back(double(it->second - t0) / 1e6);
        }
    }
    ::kill(child, SIGTERM);
    reader.join();

    const double p50 = percentile(ours, 50), p99 = percentile(ours, 99);
    const double k50 = percentile(kernel, 50), k99 = percentile(kernel, 99);
    std::printf("latency over %zu files (ms): vantle p50 %.3f p99 %.3f | inotifywait p50 %.3f "
                "p99 %.3f | p99 difference %.3f\n",
                ours.size(), p50, p99, k50, k99, p99 - k99);
    return 0;
}

int burst(const QString& home, int files)
{
    const QString downloads = home + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    Watcher watcher(home, downloads);
    const std::int64_t t0 = nowNs();
    for (int i = 0; i < files; ++i) {
        const QByteArray path = QFile::encodeName(downloads) + "/burst-" + QByteArray::number(i);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            (void)::write(fd, "data", 4);
            ::close(fd);
        }
    }
    const std::int64_t created = nowNs();
    waitFor([&] { return watcher.announced >= files; }, 60000);
    const std::int64_t done = watcher.lastAnnouncedNs;
    auto records = watcher.store->allRecords();
    records.waitForFinished();
    const int recorded = int(records.result().size());
    std::printf("burst of %d files: created in %.0f ms, all recorded after %.0f ms, recorded %d, "
                "lost %d\n",
                files, double(created - t0) / 1e6, double(done - t0) / 1e6, recorded,
                files - recorded);
    return 0;
}

// Start-up over a folder that already holds `files` items, with as many
// records again for items that went while the program was off: the time until
// the store matches the folder.
int startup(const QString& home, int files)
{
    const QString downloads = home + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    {
        TrackedFileActor::Options options;
        options.storePath = home + QStringLiteral("/Vantle.store");
        QString error;
        auto store = TrackedFileActor::open(options, &error);
        for (int i = 0; i < files; ++i)
            store->insertRecord(std::uint64_t(900000000 + i),
                                downloads + QStringLiteral("/gone-%1").arg(i),
                                QStringLiteral("gone-%1").arg(i), 4);
        store->shutdown();
    }
    for (int i = 0; i < files; ++i) {
        const QByteArray path = QFile::encodeName(downloads) + "/item-" + QByteArray::number(i);
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    const std::int64_t t0 = nowNs();
    Watcher watcher(home, downloads);
    const std::int64_t listed = nowNs();
    auto records = watcher.store->allRecords();
    records.waitForFinished();
    std::printf("start-up over %d items and %d stale records: store matches the folder after "
                "%.0f ms (%zu records)\n",
                files, files, double(listed - t0) / 1e6, records.result().size());
    return records.result().size() == std::size_t(files) ? 0 : 1;
}

// Context switches of this process's threads named like the watcher's.
std::map<QString, long> switchesByThread()
{
    std::map<QString, long> result;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        QFile status(tasks.filePath(tid + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromUtf8(comm.readAll().trimmed()) + QLatin1Char('/') + tid;
        long switches = 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches") ||
                line.startsWith("nonvoluntary_ctxt_switches"))
                switches += line.split(':').value(1).trimmed().toLong();
        }
        result[name] = switches;
    }
    return result;
}

int idle(const QString& home, int seconds)
{
    const QString downloads = home + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    Watcher watcher(home, downloads);
    QThread::msleep(500);
    const auto before = switchesByThread();
    QThread::sleep(unsigned(seconds)); // the main thread sleeps too: nothing happens
    const auto after = switchesByThread();
    for (const auto& [name, count] : after) {
        const auto it = before.find(name);
        std::printf("idle %ds: thread %s woke %ld times\n", seconds, qPrintable(name),
                    it == before.end() ? count : count - it->second);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-bench-XXXXXX"));
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("latency");
    const int amount = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "latency")
        return latency(home.path(), amount > 0 ? amount : 1000);
    if (mode == "burst")
        return burst(home.path(), amount > 0 ? amount : 10000);
    if (mode == "startup")
        return startup(home.path(), amount > 0 ? amount : 10000);
    if (mode == "idle")
        return idle(home.path(), amount > 0 ? amount : 60);
    std::fprintf(stderr, "usage: %s latency|burst|startup|idle [amount]\n", argv[0]);
    return 2;
}
