// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Runs the benchmarks with a home of their own, set before GLib reads it, so
// that what they trash stays in it; `home` names it while they run.
inline int runInPrivateHome(int argc, char** argv, QString& home)
{
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/vantle-bench-XXXXXX"));
    home = folder.path();
    const QByteArray root = QFile::encodeName(home);
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
