// SPDX-License-Identifier: GPL-3.0-or-later
#include "FuzzSupport.h"
#include "store/Tags.h"

// Both tag attributes: what reads is written back the same, so that adding
// or removing the mark keeps every other tag.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzz::bytes(data, size);
    if (const auto list = tags::decodeTagList(bytes)) {
        const QByteArray encoded = tags::encodeTagList(*list);
        fuzz::require(encoded.isEmpty() || tags::decodeTagList(encoded) == list,
                      "a property list of tags round-trips or is not written");
    }
    const QStringList names = tags::decodeXdgTags(bytes);
    for (const QString& name : names)
        fuzz::require(!name.isEmpty() && name == name.trimmed() && !name.contains(QLatin1Char(',')),
                      "a mirrored tag is one trimmed, non-empty name");
    fuzz::require(tags::decodeXdgTags(names.join(QLatin1Char(',')).toUtf8()) == names,
                  "the mirror round-trips");
    return 0;
}
