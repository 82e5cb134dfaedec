// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Tags.h"

#include "platform/FileSystem.h"
#include "platform/Xattr.h"

#include <algorithm>
#include <plist/plist.h>

namespace tags {

namespace {

bool isOwned(const QString& tag)
{
    return tag.startsWith(ownershipPrefix);
}

struct PlistHolder {
    plist_t node = nullptr;
    ~PlistHolder()
    {
        if (node)
            plist_free(node);
    }
};

} // namespace

std::optional<QStringList> decodeTagList(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > 0x7fffffff)
        return std::nullopt;
    PlistHolder root;
    plist_from_memory(bytes.constData(), uint32_t(bytes.size()), &root.node);
    if (!root.node || plist_get_node_type(root.node) != PLIST_ARRAY)
        return std::nullopt;
    QStringList list;
    const uint32_t count = plist_array_get_size(root.node);
    for (uint32_t i = 0; i < count; ++i) {
        plist_t item = plist_array_get_item(root.node, i);
        if (!item || plist_get_node_type(item) != PLIST_STRING)
            return std::nullopt;
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(item, &length);
        list.append(QString::fromUtf8(text, qsizetype(length)));
    }
    return list;
}

QByteArray encodeTagList(const QStringList& tags)
{
    // libplist takes C strings: a tag holding a NUL would be cut short, so
    // such a list is not written at all rather than another program's tag lost.
    if (std::any_of(tags.cbegin(), tags.cend(),
                    [](const QString& tag) { return tag.contains(QChar(0)); }))
        return {};
    PlistHolder root;
    root.node = plist_new_array();
    for (const QString& tag : tags)
        plist_array_append_item(root.node, plist_new_string(tag.toUtf8().constData()));
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.node, &bytes, &length);
    if (!bytes)
        return {};
    QByteArray encoded(bytes, length);
    plist_to_bin_free(bytes);
    return encoded;
}

QStringList readTags(const QString& path)
{
    const auto bytes = xattr::get(path, attributeName);
    if (!bytes)
        return {};
    return decodeTagList(*bytes).value_or(QStringList{});
}

void writeTags(const QString& path, const QStringList& list)
{
    if (list.isEmpty()) {
        xattr::remove(path, attributeName);
        return;
    }
    const QByteArray bytes = encodeTagList(list);
    if (bytes.isEmpty())
        return;
    xattr::set(path, attributeName, bytes);
}

QStringList readXdgTags(const QString& path)
{
    const auto bytes = xattr::get(path, xdgAttributeName);
    if (!bytes)
        return {};
    return decodeXdgTags(*bytes);
}

QStringList decodeXdgTags(const QByteArray& bytes)
{
    QStringList list;
    for (const QString& part : QString::fromUtf8(bytes).split(QLatin1Char(','))) {
        const QString tag = part.trimmed();
        if (!tag.isEmpty())
            list.append(tag);
    }
    return list;
}

void writeXdgTags(const QString& path, const QStringList& list)
{
    if (list.isEmpty()) {
        xattr::remove(path, xdgAttributeName);
        return;
    }
    xattr::set(path, xdgAttributeName, list.join(QLatin1Char(',')).toUtf8());
}

void addTag(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList list = readTags(path);
    if (std::none_of(list.cbegin(), list.cend(), isOwned)) {
        list.append(programTag);
        writeTags(path, list);
    }
    QStringList mirror = readXdgTags(path);
    if (std::none_of(mirror.cbegin(), mirror.cend(), isOwned)) {
        mirror.append(programTagName);
        writeXdgTags(path, mirror);
    }
}

void removeTag(const QString& path)
{
    if (path.isEmpty())
        return;
    QStringList list = readTags(path);
    if (list.removeIf(isOwned) > 0)
        writeTags(path, list);
    QStringList mirror = readXdgTags(path);
    if (mirror.removeIf(isOwned) > 0)
        writeXdgTags(path, mirror);
}

void removeTag(const QString& path, std::uint64_t inode)
{
    if (fs::holdsItem(path, inode))
        removeTag(path);
}

} // namespace tags
