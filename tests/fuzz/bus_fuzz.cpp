// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "app/BusProtocol.h"
#include "expiry/DurationParser.h"
#include "store/RecordTrash.h"

#include <QFileInfo>
#include <cmath>

// Mark's arguments, a path and a duration, as the adaptor checks them. The
// bus carries no NUL, so the input's first one parts the two.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString downloads = QStringLiteral("/home/user/Downloads");
    static const RecordTrash trash(nullptr, downloads, fuzz::scratch() + QStringLiteral("/j"));
    const QByteArray bytes = fuzz::bytes(data, size);
    const qsizetype cut = bytes.indexOf('\0');
    const QString sent = QString::fromUtf8(bytes.left(cut < 0 ? bytes.size() : cut));
    const QString duration =
        cut < 0 ? QString() : QString::fromUtf8(bytes.mid(cut + 1).replace('\0', ""));

    const QString path = bus::resolvedPath(downloads, sent);
    if (trash.isRecordablePath(path)) {
        const QFileInfo info(path);
        fuzz::require(info.absolutePath() == downloads && info.fileName() != QLatin1String("..") &&
                          info.fileName() != QLatin1String("."),
                      "an accepted path is an item directly inside Downloads");
    }
    const QString echo = bus::echoed(sent);
    fuzz::require(echo.size() <= 201 && sent.startsWith(echo.chopped(echo == sent ? 0 : 1)),
                  "an echo is the start of the input, cut short");
    if (!duration.trimmed().isEmpty()) {
        if (const auto parsed = parseDuration(duration))
            fuzz::require(std::isfinite(parsed->interval) && parsed->interval > 0,
                          "a duration Mark accepts is positive and finite");
    }
    return 0;
}
