// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/MoveMRU.h"

#include "platform/AppSettings.h"

#include <QFileInfo>
#include <QSettings>
#include <QVariant>

const QString MoveMRU::key = QString::fromLatin1(settings::moveDestinations.key);

void MoveMRU::load()
{
    const QVariant stored = settings::open()->value(key);
    m_paths.clear();
    switch (stored.typeId()) {
    case QMetaType::QString:
        // The settings file stores a one-entry list as its single text.
        if (!stored.toString().isEmpty())
            m_paths.append(stored.toString());
        break;
    case QMetaType::QStringList:
        m_paths = stored.toStringList();
        break;
    case QMetaType::QVariantList: {
        const QVariantList items = stored.toList();
        QStringList texts;
        for (const QVariant& item : items) {
            if (item.typeId() != QMetaType::QString)
                return;
            texts.append(item.toString());
        }
        m_paths = texts;
        break;
    }
    default:
        break;
    }
}

void MoveMRU::record(const QString& path)
{
    m_paths.removeAll(path);
    m_paths.prepend(path);
    while (m_paths.size() > capacity)
        m_paths.removeLast();
    save();
}

QStringList MoveMRU::validated(int limit)
{
    QStringList kept;
    for (const QString& path : std::as_const(m_paths)) {
        // Follows a link to a folder, as the file manager does.
        const QFileInfo item(path);
        const bool isFolder = !path.isEmpty() && item.exists() && item.isDir();
        if (isFolder)
            kept.append(path);
    }
    const QStringList result = kept.mid(0, std::max(limit, 0));
    if (kept.size() != m_paths.size()) {
        m_paths = kept;
        save();
    }
    return result;
}

void MoveMRU::save() const
{
    settings::write(settings::moveDestinations, m_paths);
}
