// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken promise of the parser: abort, so that libFuzzer keeps the input.
inline void require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "property violated: %s\n", property);
        std::abort();
    }
}

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A folder of this run's own, removed when the run ends.
inline const QString& scratch()
{
    static const QString folder = [] {
        QByteArray pattern = QDir::tempPath().toUtf8() + "/vantle-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] { QDir(scratch()).removeRecursively(); });
        return QString::fromUtf8(pattern);
    }();
    return folder;
}

inline void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(contents) == contents.size(),
            "the input could be written to its file");
}

} // namespace fuzz
