// SPDX-License-Identifier: GPL-3.0-or-later
// The crash soak: the real program under churn on Downloads, killed with
// SIGKILL at seeded moments and restarted; after each restart the store must
// match the folder within 10 s and be intact, and the Trash must hold only
// files that were marked temporary. Needs an X display (DISPLAY).
//   crash_soak_bench path/to/vantle [rounds] [seed]

#include "../tests/e2e/CrashSoak.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2 || !QFile::exists(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: crash_soak_bench path/to/vantle [rounds] [seed]\n");
        return 2;
    }
    if (!VantleProcess::hasDisplay()) {
        std::fprintf(stderr, "DISPLAY is not set: the program needs an X display\n");
        return 2;
    }
    qputenv("VANTLE_BINARY", argv[1]);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 30;
    const std::uint32_t seed = argc > 3 ? std::uint32_t(std::strtoul(argv[3], nullptr, 10)) : 1;

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-crash-soak-XXXXXX"));
    QElapsedTimer clock;
    clock.start();
    int failedRounds = 0;
    QStringList failures;
    // Rounds in which each check failed.
    QMap<QString, int> failedChecks;
    auto checkOf = [](const QString& failure) {
        for (const char* check : {"store", "integrity_check", "in the Trash"}) {
            if (failure.startsWith(QLatin1String(check)))
                return QString::fromLatin1(check);
        }
        return QStringLiteral("other");
    };
    {
        soak::CrashSoak soak(home.path(), seed);
        // Stale records come back in every later round: each store line is
        // shown once, and a few per round.
        QSet<QString> shown;
        auto report = [&](const QStringList& found) {
            int printed = 0;
            QSet<QString> checks;
            for (const QString& failure : found) {
                checks.insert(checkOf(failure));
                const bool store = failure.startsWith(QLatin1String("store"));
                const QString text = failure.section(QStringLiteral(": "), 1);
                if (store && (shown.contains(text) || printed == 8))
                    continue;
                shown.insert(text);
                printed += store ? 1 : 0;
                std::printf("  %s\n", qPrintable(failure));
            }
            std::fflush(stdout);
            for (const QString& check : checks)
                ++failedChecks[check];
            failedRounds += found.isEmpty() ? 0 : 1;
            failures += found;
        };
        for (int round = 1; round <= rounds; ++round) {
            const QStringList found = soak.round(round);
            std::printf("%s\n", qPrintable(soak.line()));
            report(found);
        }
        const QStringList late = soak.finish();
        std::printf("after the last mark fell due: %s\n",
                    late.isEmpty() ? "ok"
                                   : qPrintable(QStringLiteral("FAILED (%1)").arg(late.size())));
        report(late);
    }
    const auto unmarked = std::count_if(failures.cbegin(), failures.cend(), [&](const QString& f) {
        return checkOf(f) == QLatin1String("in the Trash");
    });
    std::printf("crash soak: %d rounds (seed %u) in %lld s, %d failed; rounds where the store "
                "differed %d, integrity failed %d, unmarked files appeared in the Trash %d "
                "(%lld files), other failures %d\n",
                rounds, seed, static_cast<long long>(clock.elapsed() / 1000), failedRounds,
                failedChecks.value(QStringLiteral("store")),
                failedChecks.value(QStringLiteral("integrity_check")),
                failedChecks.value(QStringLiteral("in the Trash")),
                static_cast<long long>(unmarked), failedChecks.value(QStringLiteral("other")));
    if (!failures.isEmpty()) {
        home.setAutoRemove(false);
        std::printf("kept for inspection: %s\n", qPrintable(home.path()));
    }
    return failures.isEmpty() ? 0 : 1;
}
