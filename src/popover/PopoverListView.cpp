// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverListView.h"

#include "popover/FileRows.h"
#include "popover/RecentlyTrashedRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace {

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setStyleSheet(
        QStringLiteral("color: rgba(255, 255, 255, 150); font-size: 11px; font-weight: 600;"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// A section header: opaque enough that rows scrolling under it do not show.
QWidget* headerBase(QWidget* header, const QString& name)
{
    header->setObjectName(name);
    header->setAttribute(Qt::WA_StyledBackground);
    header->setStyleSheet(QLatin1Char('#') + name +
                          QStringLiteral(" { background: rgba(44, 44, 46, 245); border: none; "
                                         "border-radius: 0; }"));
    return header;
}

// A header that folds its section: a chevron, the caption and a count
// (objectNames NAMEHeader and NAMECount).
QPushButton* foldingHeader(const QString& name, const QString& caption, QLabel** chevron,
                           QLabel** count, QWidget* parent)
{
    auto* header = new QPushButton(parent);
    header->setAccessibleName(caption);
    header->setFlat(true);
    header->setCursor(Qt::PointingHandCursor);
    headerBase(header, name + QStringLiteral("Header"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(16, 6, 16, 6);
    row->setSpacing(6);
    *chevron = captionLabel(QString(), header);
    (*chevron)->setFixedWidth(10);
    row->addWidget(*chevron);
    row->addWidget(captionLabel(caption, header));
    row->addStretch(1);
    *count = captionLabel(QString(), header);
    (*count)->setObjectName(name + QStringLiteral("Count"));
    (*count)->setStyleSheet((*count)->styleSheet() +
                            QStringLiteral("background: rgba(255, 255, 255, 30); "
                                           "border-radius: 4px; padding: 1px 5px;"));
    row->addWidget(*count);
    return header;
}

} // namespace

PopoverListView::PopoverListView(Actions actions, QWidget* parent)
    : QAbstractScrollArea(parent), m_actions(std::move(actions))
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(rowHeight / 2);
    buildHeaders();
}

void PopoverListView::buildHeaders()
{
    m_temporaryHeader = headerBase(new QWidget(viewport()), QStringLiteral("temporaryHeader"));
    auto* temporary = new QHBoxLayout(m_temporaryHeader);
    temporary->setContentsMargins(16, 6, 16, 6);
    temporary->addWidget(
        captionLabel(QStringLiteral("Temporary — auto-delete"), m_temporaryHeader));
    temporary->addStretch(1);
    auto* keepAll = new QToolButton(m_temporaryHeader);
    keepAll->setObjectName(QStringLiteral("keepAll"));
    keepAll->setText(QStringLiteral("Keep All"));
    keepAll->setToolTip(QStringLiteral("Keep all temporary files"));
    keepAll->setAutoRaise(true);
    keepAll->setCursor(Qt::PointingHandCursor);
    keepAll->setStyleSheet(
        QStringLiteral("QToolButton { color: rgb(10, 132, 255); font-size: 11px; "
                       "font-weight: 600; border: none; padding: 0; }"));
    connect(keepAll, &QToolButton::clicked, this, [this] {
        if (m_actions.keepAll)
            m_actions.keepAll();
    });
    temporary->addWidget(keepAll);

    auto* ignored =
        foldingHeader(QStringLiteral("ignored"), QStringLiteral("Ignored / already there"),
                      &m_ignoredChevron, &m_ignoredCount, viewport());
    m_ignoredHeader = ignored;
    connect(ignored, &QPushButton::clicked, this,
            [this] { setIgnoredExpanded(!m_ignoredExpanded); });
    m_trashedHeader = foldingHeader(QStringLiteral("trashed"), QStringLiteral("Recently trashed"),
                                    &m_trashedChevron, &m_trashedCount, viewport());
    connect(m_trashedHeader, &QPushButton::clicked, this,
            [this] { setTrashedExpanded(!m_trashedExpanded); });
    m_headerHeight = std::max({m_temporaryHeader->sizeHint().height(), ignored->sizeHint().height(),
                               m_trashedHeader->sizeHint().height()});
    setIgnoredExpanded(false);
    setTrashedExpanded(false);
}

void PopoverListView::setIgnoredExpanded(bool expanded)
{
    m_ignoredExpanded = expanded;
    m_ignoredChevron->setText(expanded ? QStringLiteral("▾") : QStringLiteral("▸"));
    m_ignoredHeader->setToolTip(expanded ? QStringLiteral("Hide ignored files")
                                         : QStringLiteral("Show ignored files"));
    layoutEntries();
}

void PopoverListView::setTrashedExpanded(bool expanded)
{
    m_trashedExpanded = expanded;
    m_trashedChevron->setText(expanded ? QStringLiteral("▾") : QStringLiteral("▸"));
    m_trashedHeader->setToolTip(expanded ? QStringLiteral("Hide recently trashed files")
                                         : QStringLiteral("Show recently trashed files"));
    layoutEntries();
}

void PopoverListView::setRecentlyTrashed(const std::vector<TrashJournal::Entry>& files,
                                         const QHash<QString, QString>& failures)
{
    m_trashed = files;
    m_restoreFailures = failures;
    m_trashedCount->setText(QString::number(m_trashed.size()));
    clearRows();
    layoutEntries();
}

void PopoverListView::setRestoreAction(std::function<void(const QString&)> restore)
{
    m_restore = std::move(restore);
}

void PopoverListView::setLists(const PopoverLists& lists, const QString& markToolTip)
{
    m_lists = lists;
    m_markToolTip = markToolTip;
    m_ignoredCount->setText(QString::number(m_lists.ignoredFiles.size()));
    clearRows(); // the records behind the rows in view may have changed
    layoutEntries();
}

void PopoverListView::layoutEntries()
{
    m_entries.clear();
    int y = 0;
    auto section = [&](bool temporary, std::size_t count, bool shown, bool trashed = false) {
        if (count == 0)
            return -1;
        const int headerY = y;
        y += m_headerHeight;
        for (std::size_t i = 0; shown && i < count; ++i) {
            const bool last = i + 1 == count;
            m_entries.push_back({temporary, i, y, last, trashed});
            y += rowHeight + (last ? 0 : 1);
        }
        return headerY;
    };
    m_temporaryHeaderY = section(true, m_lists.temporaryFiles.size(), true);
    m_ignoredHeaderY = section(false, m_lists.ignoredFiles.size(), m_ignoredExpanded);
    m_trashedHeaderY = section(false, m_trashed.size(), m_trashedExpanded, true);
    m_contentHeight = y;
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setRange(0, std::max(0, m_contentHeight - viewport()->height()));
    clearRows();
    place();
}

const TrackedFile& PopoverListView::fileOf(const Entry& entry) const
{
    return entry.temporary ? m_lists.temporaryFiles[entry.index]
                           : m_lists.ignoredFiles[entry.index];
}

QWidget* PopoverListView::makeRow(const Entry& entry)
{
    if (entry.trashed) {
        auto* row = new RecentlyTrashedRowView(
            m_trashed[entry.index], QDateTime::currentDateTimeUtc(),
            [this, location = m_trashed[entry.index].location] {
                if (m_restore)
                    m_restore(location);
            },
            m_restoreFailures.value(m_trashed[entry.index].location), viewport());
        row->setFixedSize(viewport()->width(), rowHeight);
        return row;
    }
    const TrackedFile& file = fileOf(entry);
    auto bind = [&file](const std::function<void(const TrackedFile&)>& action) {
        return [action, file] {
            if (action)
                action(file);
        };
    };
    const std::optional<QUrl> origin = m_lists.origins.contains(file.id)
                                           ? std::optional(m_lists.origins.value(file.id))
                                           : std::nullopt;
    QWidget* row = nullptr;
    if (entry.temporary) {
        auto snooze = [snooze = m_actions.snooze, file](std::optional<double> seconds) {
            if (snooze)
                snooze(file, seconds);
        };
        row = new TemporaryFileRowView(
            file,
            {bind(m_actions.keep), bind(m_actions.deleteNow), bind(m_actions.reveal), snooze,
             origin, m_lists.trashRefusals.value(file.id), m_lists.actionFailures.value(file.id)},
            viewport());
    } else {
        row = new IgnoredFileRowView(file,
                                     {bind(m_actions.markTemporary), bind(m_actions.reveal), origin,
                                      m_lists.actionFailures.value(file.id),
                                      bind(m_actions.togglePin)},
                                     m_markToolTip, viewport());
    }
    row->setFixedSize(viewport()->width(), rowHeight);
    return row;
}

void PopoverListView::clearRows()
{
    for (auto& [index, row] : m_rows)
        row->hide(), row->deleteLater(); // it may be delivering a click
    m_rows.clear();
}

void PopoverListView::place()
{
    const int top = verticalScrollBar()->value();
    const int bottom = top + viewport()->height();
    // The entries in view, found by their tops.
    auto first = std::upper_bound(m_entries.begin(), m_entries.end(), top,
                                  [](int y, const Entry& e) { return y < e.y + rowHeight; });
    std::map<std::size_t, QWidget*> inView;
    for (auto it = first; it != m_entries.end() && it->y < bottom; ++it) {
        const auto index = std::size_t(it - m_entries.begin());
        auto found = m_rows.find(index);
        QWidget* row = found != m_rows.end() ? found->second : makeRow(*it);
        if (found != m_rows.end())
            m_rows.erase(found);
        row->move(0, it->y - top);
        row->show();
        inView.emplace(index, row);
    }
    clearRows(); // what scrolled out
    m_rows = std::move(inView);

    // Each header sticks to the top while its section is in view; the next
    // one pushes it up.
    const std::pair<QWidget*, int> headers[] = {{m_temporaryHeader, m_temporaryHeaderY},
                                                {m_ignoredHeader, m_ignoredHeaderY},
                                                {m_trashedHeader, m_trashedHeaderY}};
    int below = std::numeric_limits<int>::max(); // the next shown header's top
    for (auto it = std::rbegin(headers); it != std::rend(headers); ++it) {
        const auto [header, y] = *it;
        header->setVisible(y >= 0);
        if (y < 0)
            continue;
        below = std::min(std::max(y - top, 0), below - m_headerHeight);
        header->setGeometry(0, below, viewport()->width(), m_headerHeight);
    }
    for (const auto& [header, y] : headers)
        header->raise();
    viewport()->update();
}

void PopoverListView::scrollContentsBy(int, int)
{
    place();
}

void PopoverListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layoutEntries();
}

void PopoverListView::paintEvent(QPaintEvent*)
{
    // The dividers between rows, inset past the icon.
    QPainter painter(viewport());
    painter.setPen(QColor(255, 255, 255, 28));
    const int top = verticalScrollBar()->value();
    for (const auto& [index, row] : m_rows) {
        const Entry& entry = m_entries[index];
        if (!entry.last) {
            const int y = entry.y + rowHeight - top;
            painter.drawLine(dividerInset, y, viewport()->width(), y);
        }
    }
}
