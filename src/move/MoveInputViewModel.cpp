// SPDX-License-Identifier: GPL-3.0-or-later
#include "move/MoveInputViewModel.h"

#include <QRegularExpression>
#include <algorithm>

MoveInputViewModel::MoveInputViewModel(QString homePath, QObject* parent)
    : QObject(parent), m_homePath(std::move(homePath))
{
    while (m_homePath.size() > 1 && m_homePath.endsWith(QLatin1Char('/')))
        m_homePath.chop(1);
}

void MoveInputViewModel::setQuery(const QString& query)
{
    if (query == m_query)
        return;
    m_query = query;
    Q_EMIT changed();
}

void MoveInputViewModel::setResults(QList<FolderMatch> results)
{
    m_results = std::move(results);
    Q_EMIT changed();
}

void MoveInputViewModel::setMruSuggestions(const QStringList& paths)
{
    if (paths == m_mruSuggestions)
        return;
    m_mruSuggestions = paths;
    Q_EMIT changed();
}

void MoveInputViewModel::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    Q_EMIT changed();
}

bool MoveInputViewModel::showsSuggestions() const
{
    return m_query.trimmed().isEmpty();
}

QStringList MoveInputViewModel::rowPaths() const
{
    if (showsSuggestions())
        return m_mruSuggestions;
    QStringList paths;
    for (const FolderMatch& match : m_results)
        paths.append(match.path);
    return paths;
}

std::optional<QString> MoveInputViewModel::selectedURL() const
{
    const QStringList rows = rowPaths();
    if (m_selectedIndex < 0 || m_selectedIndex >= rows.size())
        return std::nullopt;
    return rows[m_selectedIndex];
}

std::optional<QString> MoveInputViewModel::newFolderURL() const
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList pieces = m_query.split(blanks, Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return std::nullopt;
    if (m_selectedIndex >= 0 && m_selectedIndex < m_results.size()) {
        const FolderMatch& match = m_results[m_selectedIndex];
        QString parent = m_homePath;
        const int depth = std::clamp(match.lastMatchedSegmentIndex, 0, int(match.segments.size()));
        for (int i = 0; i < depth; ++i)
            parent += QLatin1Char('/') + match.segments[i];
        return parent + QLatin1Char('/') + pieces.last();
    }
    return m_homePath + QLatin1Char('/') + pieces.join(QLatin1Char('/'));
}

void MoveInputViewModel::clampSelection()
{
    const int count = int(rowPaths().size());
    setSelectedIndex(count == 0 ? 0 : std::clamp(m_selectedIndex, 0, count - 1));
}

void MoveInputViewModel::moveSelection(int step)
{
    const int count = int(rowPaths().size());
    if (count > 0)
        setSelectedIndex(std::clamp(m_selectedIndex + step, 0, count - 1));
}

QStringList MoveInputViewModel::breadcrumbSegments(const QString& path) const
{
    const QString prefix = m_homePath + QLatin1Char('/');
    const QString rest = path.startsWith(prefix) ? path.mid(prefix.size()) : path;
    return rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

QString MoveInputViewModel::displayPath(const QString& path) const
{
    const QString prefix = m_homePath + QLatin1Char('/');
    return path.startsWith(prefix) ? QStringLiteral("~/") + path.mid(prefix.size()) : path;
}
