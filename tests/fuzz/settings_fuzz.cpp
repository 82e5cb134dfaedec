// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "expiry/ExpiryUnit.h"
#include "platform/AppSettings.h"
#include "platform/Paths.h"

#include <QDateTime>
#include <QGuiApplication>
#include <cmath>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fuzz::scratch()));
    // Settings are read only in the running program, which has a GUI
    // application: a stored @Variant of a GUI type (a bitmap) needs one.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Qt decodes a value written in its own serialized form ("@Variant(…)")
    // before any code of ours sees it, allocating whatever sizes the bytes
    // claim; Vantle never writes one. What is fuzzed here is the reading of
    // plain values.
    if (fuzz::bytes(data, size).contains("@Variant("))
        return -1;
    // QSettings reads a file again only when its size or time changed.
    static qint64 run = 0;
    const QString file = paths::settingsFile();
    fuzz::writeFile(file, fuzz::bytes(data, size));
    QFile stamp(file);
    fuzz::require(stamp.open(QIODevice::ReadWrite) &&
                      stamp.setFileTime(QDateTime::fromSecsSinceEpoch(++run),
                                        QFileDevice::FileModificationTime),
                  "the input's file is dated");
    stamp.close();

    const qint64 value = defaultExpiryValue();
    fuzz::require(value >= 1 && value <= 999, "the default lifetime's value is 1...999");
    const double interval = defaultExpiryInterval();
    fuzz::require(std::isfinite(interval) && interval > 0 &&
                      interval == double(value) * secondsPerUnit(defaultExpiryUnit()),
                  "the default lifetime is a positive length");
    fuzz::require(settings::readInteger(settings::lastUpdateCheck) >= 0,
                  "the last update check is not before the epoch");
    settings::readTextList(settings::moveDestinations);
    settings::readBoolean(settings::automaticallyChecksForUpdates);
    return 0;
}
