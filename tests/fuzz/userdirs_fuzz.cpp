// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "platform/Paths.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const QString root = fuzz::scratch();
    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/home/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/home/.local/share")));
    return 0;
}

namespace {
bool holds(const QString& outer, const QString& inner)
{
    return inner == outer || outer == QStringLiteral("/") ||
           inner.startsWith(outer + QLatin1Char('/'));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString home = fuzz::scratch() + QStringLiteral("/home");
    fuzz::writeFile(home + QStringLiteral("/.config/user-dirs.dirs"), fuzz::bytes(data, size));
    const QString downloads = paths::resolveDownloadsPath();
    if (downloads == home + QStringLiteral("/Downloads"))
        return 0;
    fuzz::require(QDir::isAbsolutePath(downloads) && QDir::cleanPath(downloads) == downloads,
                  "Downloads is an absolute, clean path");
    fuzz::require(!holds(downloads, home), "Downloads is neither home nor above it");
    for (const QString& own : {paths::dataDirectory(), paths::configDirectory()})
        fuzz::require(!holds(downloads, own) && !holds(own, downloads),
                      "Downloads is apart from Vantle's own folders");
    return 0;
}
