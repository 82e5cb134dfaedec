// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The mark on files that are temporary: a tag in the binary property list of
// user.com.apple.metadata:_kMDItemUserTags (an array of "name\ncolour"
// strings), mirrored by name in user.xdg.tags so that Linux file managers show
// it. Symbolic links are never followed. Failures never propagate: a file whose
// attribute cannot be read is untagged, a failed write leaves it as it was.
namespace tags {

inline constexpr const char* attributeName = "user.com.apple.metadata:_kMDItemUserTags";
inline constexpr const char* xdgAttributeName = "user.xdg.tags";
inline const QString programTag = QStringLiteral("Vantle: Temporary\n7");
inline const QString programTagName = QStringLiteral("Vantle: Temporary");
inline const QString ownershipPrefix = QStringLiteral("Vantle:");

QStringList readTags(const QString& path);
void writeTags(const QString& path, const QStringList& tags);
void addTag(const QString& path);
void removeTag(const QString& path);
// Takes the mark off only while the path still holds the item with this
// inode: a newcomer that took the name keeps its own tags.
void removeTag(const QString& path, std::uint64_t inode);

// The comma-separated mirror.
QStringList readXdgTags(const QString& path);
void writeXdgTags(const QString& path, const QStringList& tags);
// The mirror's value: its names, blanks around them and empty ones dropped.
QStringList decodeXdgTags(const QByteArray& bytes);

// The property-list codec for an array of strings; nothing when the bytes are
// not a property list whose top level is an array of strings.
std::optional<QStringList> decodeTagList(const QByteArray& bytes);
// Empty when a tag cannot be written whole (it holds a NUL).
QByteArray encodeTagList(const QStringList& tags);

} // namespace tags
