// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QStringList>

// A Trash that records what it was given and can be told to fail. When it
// succeeds it moves the item into `folder` (never deletes), so that tests
// see it leave its place.
class FakeTrash final : public Trash {
public:
    explicit FakeTrash(QString folder = {}) : m_folder(std::move(folder)) {}

    std::optional<QString> moveToTrash(const QString& path) override
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(path);
        if (!m_failure.isEmpty())
            return m_failure;
        if (!m_folder.isEmpty()) {
            QDir().mkpath(m_folder);
            const QString target = m_folder + QLatin1Char('/') +
                                   QString::number(m_requests.size()) + QLatin1Char('-') +
                                   path.section(QLatin1Char('/'), -1);
            if (!QFile::rename(path, target))
                return QStringLiteral("fake trash could not move %1").arg(path);
        }
        return std::nullopt;
    }

    void failWith(const QString& message)
    {
        QMutexLocker lock(&m_mutex);
        m_failure = message;
    }
    QStringList requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    mutable QMutex m_mutex;
    QString m_folder;
    QString m_failure;
    QStringList m_requests;
};
