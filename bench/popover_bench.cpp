// SPDX-License-Identifier: GPL-3.0-or-later
// The tray popover over a real store of 10,000 records (5,000 temporary, 5,000
// kept files in Downloads): opened until its list is painted, with the longest
// stall of the main thread meanwhile; then 1,000 saves in one second while it
// is open: how many times it re-read the store, and the longest gap between
// the main thread's frames.
//   build/bench/popover_bench [records]
#include "expiry/CleanupService.h"
#include "platform/Trash.h"
#include "popover/PopoverListView.h"
#include "popover/PopoverModel.h"
#include "popover/PopoverWindow.h"
#include "store/TrackedFileActor.h"
#include "updates/UpdaterManager.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <vector>

namespace {

class NoTrash final : public Trash {
public:
    Moved moveToTrash(const QString&) override { return {QStringLiteral("benchmark"), {}}; }
    std::optional<QString> putBack(const QString&, const QString&) override { return {}; }
};

double percentile(std::vector<double> values, int p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, values.size() * std::size_t(p) / 100)];
}

template <typename T> T wait(QFuture<T> future)
{
    while (!future.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return future.result();
}

// The longest gap between ticks of a 1 ms main-thread timer, while it runs.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_clock.restart()); });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return std::max(m_longest, m_clock.elapsed());
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

// Runs the event loop until `done`.
void spinUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10000;
    QTemporaryDir folder;
    const QString downloads = folder.path() + QStringLiteral("/Downloads");
    QDir().mkpath(downloads);
    QString error;
    auto store = TrackedFileActor::open({folder.path() + QStringLiteral("/Vantle.store"),
                                         std::make_shared<NoTrash>(),
                                         downloads,
                                         [] { return 3600.0; },
                                         {},
                                         2000},
                                        &error);
    if (!store) {
        std::fprintf(stderr, "store: %s\n", qPrintable(error));
        return 1;
    }
    std::vector<RecordId> temporary;
    for (int i = 0; i < count; ++i) {
        const QString path = downloads + QStringLiteral("/file-%1.pdf").arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("x");
        file.close();
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        const RecordId id =
            wait(store->insertRecord(st.st_ino, path, QStringLiteral("file-%1.pdf").arg(i), 1));
        if (i % 2 == 0)
            temporary.push_back(id);
        else
            store->keep(id);
    }
    for (RecordId id : temporary)
        store->markTemporary(id);
    wait(store->save());

    CleanupService cleanup(*store);
    UpdaterManager updater;
    PopoverModel model(*store, cleanup);
    PopoverWindow window({model, updater, nullptr, false});
    QWidget* viewport = window.list().viewport();

    // Opened until the list is painted with its rows.
    std::vector<double> opening;
    qint64 longestStall = 0;
    StallMeter meter;
    for (int round = 0; round < 30; ++round) {
        window.hide();
        QCoreApplication::processEvents();
        int reads = model.reads();
        meter.start();
        QElapsedTimer clock;
        clock.start();
        window.popUp(QRect(100, 100, 360, 440));
        spinUntil([&] {
            return model.reads() > reads && model.hasRead() && window.list().builtRows() > 0;
        });
        viewport->repaint();
        opening.push_back(double(clock.nsecsElapsed()) / 1e6);
        longestStall = std::max(longestStall, meter.stop());
    }
    std::printf("popover over %d records: opened to its list painted p50 %.1f ms, p99 %.1f ms "
                "(%zu openings); longest main-thread stall %lld ms\n",
                count, percentile(opening, 50), percentile(opening, 99), opening.size(),
                static_cast<long long>(longestStall));

    // 1,000 saves in one second while it is open.
    const int readsBefore = model.reads();
    int saves = 0;
    double savingSeconds = 0;
    QElapsedTimer clock;
    QTimer saver;
    saver.setInterval(1);
    saver.setTimerType(Qt::PreciseTimer);
    QObject::connect(&saver, &QTimer::timeout, [&] {
        // One save per millisecond, kept in pace with the clock.
        const int due = std::min<int>(1000, int(clock.elapsed()) + 1);
        for (; saves < due; ++saves) {
            const RecordId id = temporary[std::size_t(saves) % temporary.size()];
            if (saves % 2 == 0)
                store->keep(id);
            else
                store->markTemporary(id);
        }
        if (saves == 1000) {
            saver.stop();
            savingSeconds = double(clock.elapsed()) / 1000.0;
        }
    });
    clock.start();
    meter.start();
    saver.start();
    spinUntil([&] { return saves == 1000; });
    wait(store->save());
    spinUntil([&] { return clock.elapsed() > 1500; }); // the last reads land
    const qint64 gap = meter.stop();
    std::printf("1,000 saves in %.2f s while open: %d re-reads, longest main-thread gap %lld ms\n",
                savingSeconds, model.reads() - readsBefore, static_cast<long long>(gap));
    cleanup.shutdown();
    store->shutdown();
    return 0;
}
