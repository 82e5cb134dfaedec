// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/Admission.h"

#include "watcher/NameRules.h"

Admission admissionOf(const QString& path, const ItemStat& st)
{
    const QString name = names::nameOf(path);
    if (names::isIgnoredName(name))
        return {Admission::skip, QStringLiteral("ignored name ") + name};
    if (names::matchesSandboxTemp(name))
        return {Admission::skip, QStringLiteral("sandbox-save temp file ") + name};
    // A link could lead a later trashing to its target; sockets and pipes are no downloads.
    if (st.isSymlink)
        return {Admission::skip, QStringLiteral("symbolic link ") + name};
    if (!st.isRegular && !st.isDirectory)
        return {Admission::skip, QStringLiteral("special file ") + name};
    if (st.isDirectory)
        return {
            isEffectivelyEmptyDirectory(path) ? Admission::deferFolder : Admission::record, {}, 0};
    return {Admission::record, {}, st.size};
}

bool isEffectivelyEmptyDirectory(const QString& path)
{
    const fs::Listing listing = fs::listDirectory(path);
    if (!listing.ok())
        return true;
    for (const QByteArray& raw : listing.names) {
        const std::optional<QString> name = fs::decodeName(raw);
        // A name without a faithful text form is still content.
        if (!name || !names::isIgnoredName(*name))
            return false;
    }
    return true;
}
