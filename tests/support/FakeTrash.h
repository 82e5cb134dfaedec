// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <functional>

// A Trash that records what it was given and can be told to fail. When it
// succeeds it moves the item into `folder` (never deletes), so that tests
// see it leave its place.
class FakeTrash final : public Trash {
public:
    explicit FakeTrash(QString folder = {}) : m_folder(std::move(folder)) {}

    Moved moveToTrash(const QString& path) override
    {
        QMutexLocker lock(&m_mutex);
        m_requests.append(path);
        if (m_beforeMove)
            m_beforeMove(path);
        if (!m_failure.isEmpty())
            return {m_failure, {}};
        if (m_folder.isEmpty())
            return {};
        QDir().mkpath(m_folder);
        const QString target = m_folder + QLatin1Char('/') + QString::number(m_requests.size()) +
                               QLatin1Char('-') + path.section(QLatin1Char('/'), -1);
        if (!QFile::rename(path, target))
            return {QStringLiteral("fake trash could not move %1").arg(path), {}};
        m_held.insert(target);
        return {std::nullopt, m_withholdLocations ? QString() : target};
    }

    std::optional<QString> putBack(const QString& location, const QString& path) override
    {
        if (m_beforePutBack)
            m_beforePutBack(path);
        QMutexLocker lock(&m_mutex);
        if (!m_putBackFailure.isEmpty())
            return m_putBackFailure;
        if (QFile::exists(path) || !QFile::rename(location, path))
            return QStringLiteral("fake trash could not put back %1").arg(path);
        m_held.remove(location);
        return std::nullopt;
    }

    bool holds(const QString& location) override
    {
        QMutexLocker lock(&m_mutex);
        return m_held.contains(location) && QFileInfo::exists(location);
    }

    using Hook = std::function<void(const QString&)>;
    void failPutBackWith(const QString& message) { set(m_putBackFailure, message); }
    // Moves as before but no longer says where to, as some Trash backends do.
    void withholdLocations() { set(m_withholdLocations, true); }
    void failWith(const QString& message) { set(m_failure, message); }
    // Runs just before each move: lets a test change the path in the gap.
    void beforeMove(Hook hook) { set(m_beforeMove, std::move(hook)); }
    // Runs on the restoring thread before each put-back; set it while none runs.
    void beforePutBack(Hook hook) { set(m_beforePutBack, std::move(hook)); }
    QStringList requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    template <typename T> void set(T& field, std::type_identity_t<T> value)
    {
        QMutexLocker lock(&m_mutex);
        field = std::move(value);
    }

    mutable QMutex m_mutex;
    QString m_folder;
    QString m_failure;
    QString m_putBackFailure;
    bool m_withholdLocations = false;
    QStringList m_requests;
    QSet<QString> m_held; // the locations it gave
    Hook m_beforeMove;
    Hook m_beforePutBack;
};
