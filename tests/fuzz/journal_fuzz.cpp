// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "store/RecordTrash.h"
#include "store/TrashJournal.h"

#include <QFileInfo>

// The journal as the popover lists it: what it reads, and what of that may
// come back into Downloads.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString downloads = fuzz::scratch() + QStringLiteral("/Downloads");
    static const QString path = fuzz::scratch() + QStringLiteral("/trashed.journal");
    static const QDateTime now =
        QDateTime::fromString(QStringLiteral("2026-06-01T12:00:00Z"), Qt::ISODate);
    const QByteArray contents = fuzz::bytes(data, size);
    fuzz::writeFile(path, contents);
    const RecordTrash trash(nullptr, downloads, path);
    const TrashJournal journal(path, [] { return now; });
    const auto entries = journal.entries();
    fuzz::require(qsizetype(entries.size()) <= contents.count('\n') + 1, "one entry a line");
    for (const TrashJournal::Entry& entry : entries) {
        fuzz::require(!entry.location.isEmpty() && !entry.originalPath.isEmpty() &&
                          entry.trashedAt.isValid() && entry.trashedAt >= now.addDays(-7),
                      "an entry is whole and of the last week");
        if (!trash.isRecordablePath(entry.originalPath))
            continue;
        // What the system calls see: the path up to its first NUL.
        const QString seen = QFile::decodeName(QFile::encodeName(entry.originalPath).constData());
        const QFileInfo info(seen);
        fuzz::require(seen == entry.originalPath && info.absolutePath() == downloads &&
                          info.fileName() != QLatin1String("..") &&
                          info.fileName() != QLatin1String("."),
                      "an entry that may come back names a path inside Downloads");
    }
    return 0;
}
