// SPDX-License-Identifier: GPL-3.0-or-later
#include "watcher/FileEventStream.h"

#include "platform/PostedCalls.h"

#include <QObject>

void FileEventStream::yield(std::vector<FileEvent> events)
{
    if (events.empty())
        return;
    QMutexLocker lock(&m_mutex);
    if (m_finished)
        return;
    for (FileEvent& event : events)
        m_events.push_back(std::move(event));
    notifyLocked();
}

void FileEventStream::finish()
{
    QMutexLocker lock(&m_mutex);
    m_finished = true;
    notifyLocked();
}

void FileEventStream::attach(QObject* context, std::function<void()> ready)
{
    QMutexLocker lock(&m_mutex);
    m_context = context;
    m_ready = std::move(ready);
    m_notified = false;
    if (!m_events.empty() || m_finished)
        notifyLocked();
}

std::optional<FileEvent> FileEventStream::next()
{
    QMutexLocker lock(&m_mutex);
    if (m_events.empty()) {
        m_notified = false;
        return std::nullopt;
    }
    FileEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

bool FileEventStream::isFinished() const
{
    QMutexLocker lock(&m_mutex);
    return m_finished && m_events.empty();
}

std::size_t FileEventStream::pending() const
{
    QMutexLocker lock(&m_mutex);
    return m_events.size();
}

void FileEventStream::notifyLocked()
{
    if (m_notified || !m_context || !m_ready)
        return;
    m_notified = true;
    postCall(m_context, m_ready);
}
