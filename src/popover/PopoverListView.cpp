// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/PopoverListView.h"

#include "popover/FileRows.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <algorithm>

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

    auto* ignored = new QPushButton(viewport());
    ignored->setFlat(true);
    ignored->setCursor(Qt::PointingHandCursor);
    m_ignoredHeader = headerBase(ignored, QStringLiteral("ignoredHeader"));
    auto* row = new QHBoxLayout(ignored);
    row->setContentsMargins(16, 6, 16, 6);
    row->setSpacing(6);
    m_ignoredChevron = captionLabel(QString(), ignored);
    m_ignoredChevron->setFixedWidth(10);
    row->addWidget(m_ignoredChevron);
    row->addWidget(captionLabel(QStringLiteral("Ignored / already there"), ignored));
    row->addStretch(1);
    m_ignoredCount = captionLabel(QString(), ignored);
    m_ignoredCount->setObjectName(QStringLiteral("ignoredCount"));
    m_ignoredCount->setStyleSheet(m_ignoredCount->styleSheet() +
                                  QStringLiteral("background: rgba(255, 255, 255, 30); "
                                                 "border-radius: 4px; padding: 1px 5px;"));
    row->addWidget(m_ignoredCount);
    connect(ignored, &QPushButton::clicked, this,
            [this] { setIgnoredExpanded(!m_ignoredExpanded); });
    m_headerHeight = std::max(m_temporaryHeader->sizeHint().height(), ignored->sizeHint().height());
    setIgnoredExpanded(false);
}

void PopoverListView::setIgnoredExpanded(bool expanded)
{
    m_ignoredExpanded = expanded;
    m_ignoredChevron->setText(expanded ? QStringLiteral("▾") : QStringLiteral("▸"));
    m_ignoredHeader->setToolTip(expanded ? QStringLiteral("Hide ignored files")
                                         : QStringLiteral("Show ignored files"));
    layoutEntries();
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
    auto section = [&](bool temporary, const std::vector<TrackedFile>& files, bool shown) {
        if (files.empty())
            return -1;
        const int headerY = y;
        y += m_headerHeight;
        for (std::size_t i = 0; shown && i < files.size(); ++i) {
            const bool last = i + 1 == files.size();
            m_entries.push_back({temporary, i, y, last});
            y += rowHeight + (last ? 0 : 1);
        }
        return headerY;
    };
    m_temporaryHeaderY = section(true, m_lists.temporaryFiles, true);
    m_ignoredHeaderY = section(false, m_lists.ignoredFiles, m_ignoredExpanded);
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
    const TrackedFile& file = fileOf(entry);
    auto bind = [&file](const std::function<void(const TrackedFile&)>& action) {
        return [action, file] {
            if (action)
                action(file);
        };
    };
    QWidget* row = nullptr;
    if (entry.temporary)
        row = new TemporaryFileRowView(
            file, {bind(m_actions.keep), bind(m_actions.deleteNow), bind(m_actions.reveal)},
            viewport());
    else
        row = new IgnoredFileRowView(file, {bind(m_actions.markTemporary), bind(m_actions.reveal)},
                                     m_markToolTip, viewport());
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
    const int width = viewport()->width();
    int ignoredY = m_ignoredHeaderY - top;
    if (m_ignoredHeaderY >= 0)
        ignoredY = std::max(ignoredY, 0);
    m_ignoredHeader->setVisible(m_ignoredHeaderY >= 0);
    m_ignoredHeader->setGeometry(0, ignoredY, width, m_headerHeight);
    m_temporaryHeader->setVisible(m_temporaryHeaderY >= 0);
    int temporaryY = std::max(m_temporaryHeaderY - top, 0);
    if (m_ignoredHeaderY >= 0)
        temporaryY = std::min(temporaryY, ignoredY - m_headerHeight);
    m_temporaryHeader->setGeometry(0, temporaryY, width, m_headerHeight);
    m_temporaryHeader->raise();
    m_ignoredHeader->raise();
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
