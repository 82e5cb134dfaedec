// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/TidySectionView.h"

#include "platform/Formatters.h"
#include "popover/ElidedLabel.h"
#include "popover/TidyModel.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int itemHeight = 34;
constexpr int shownRows = 3; // the list's height in rows; the rest scrolls

const QString caption =
    QStringLiteral("color: rgba(255, 255, 255, 150); font-size: 11px; font-weight: 600;");

QString age(int days)
{
    return days == 1 ? QStringLiteral("1 day old") : QStringLiteral("%1 days old").arg(days);
}

// Where an item goes, as short as it can be said: inside Downloads from there.
QString destinationOf(const QString& destination, const QString& item)
{
    if (destination.isEmpty())
        return QStringLiteral("to the Trash");
    const QString downloads = QFileInfo(item).absolutePath();
    if (destination.startsWith(downloads + QLatin1Char('/')))
        return QStringLiteral("to ") + destination.mid(downloads.size() + 1);
    return QStringLiteral("to ") + QDir::toNativeSeparators(destination);
}

QWidget* itemRow(const QString& path, const QString& detail, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("tidyItem"));
    const QString name = QFileInfo(path).fileName();
    row->setAccessibleName(name);
    row->setFixedHeight(itemHeight);
    auto* column = new QVBoxLayout(row);
    column->setContentsMargins(16, 2, 16, 2);
    column->setSpacing(0);
    auto* title = new ElidedLabel(name, Qt::ElideMiddle, row);
    title->setStyleSheet(QStringLiteral("color: rgb(245, 245, 245); font-size: 12px;"));
    auto* line = new ElidedLabel(detail, Qt::ElideRight, row);
    line->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 140); font-size: 11px;"));
    column->addWidget(title);
    column->addWidget(line);
    return row;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setCursor(Qt::PointingHandCursor);
    return b;
}

} // namespace

TidySectionView::TidySectionView(TidyModel& model, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("tidySection"));
    setAccessibleName(QStringLiteral("Tidy up"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->setSpacing(4);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("tidyHeader"));
    header->setAttribute(Qt::WA_StyledBackground);
    header->setStyleSheet(QStringLiteral("#tidyHeader { background: rgba(44, 44, 46, 245); }"));
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(16, 6, 16, 6);
    auto* title = new QLabel(QStringLiteral("Tidy up"), header);
    title->setStyleSheet(caption);
    m_summary = new QLabel(header);
    m_summary->setObjectName(QStringLiteral("tidySummary"));
    m_summary->setStyleSheet(caption);
    headerRow->addWidget(title);
    headerRow->addStretch(1);
    headerRow->addWidget(m_summary);
    column->addWidget(header);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_items = new QWidget;
    m_items->setObjectName(QStringLiteral("tidyItems"));
    m_items->setAutoFillBackground(false);
    m_itemsLayout = new QVBoxLayout(m_items);
    m_itemsLayout->setContentsMargins(0, 0, 0, 0);
    m_itemsLayout->setSpacing(0);
    m_scroll->setWidget(m_items);
    column->addWidget(m_scroll);

    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("tidyOutcome"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextFormat(Qt::PlainText);
    m_outcome->setContentsMargins(16, 0, 16, 0);
    m_outcome->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 190); font-size: 11px;"));
    column->addWidget(m_outcome);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 0, 16, 0);
    buttons->setSpacing(8);
    m_tidyNow = button(QStringLiteral("Tidy Now"), QStringLiteral("tidyNow"), this);
    m_undo = button(QStringLiteral("Undo Tidy"), QStringLiteral("undoTidy"), this);
    connect(m_tidyNow, &QPushButton::clicked, &m_model, &TidyModel::tidyNow);
    connect(m_undo, &QPushButton::clicked, &m_model, &TidyModel::undo);
    buttons->addWidget(m_tidyNow);
    buttons->addWidget(m_undo);
    buttons->addStretch(1);
    column->addLayout(buttons);

    connect(&m_model, &TidyModel::changed, this, &TidySectionView::showModel);
    showModel();
}

void TidySectionView::showModel()
{
    using Phase = TidyModel::Phase;
    const Phase phase = m_model.phase();
    setVisible(phase != Phase::off);
    const TidyPreview& preview = m_model.preview();
    const bool busy =
        phase == Phase::previewing || phase == Phase::running || phase == Phase::undoing;
    if (phase == Phase::previewing)
        m_summary->setText(QStringLiteral("Looking…"));
    else if (phase == Phase::running)
        m_summary->setText(QStringLiteral("Tidying…"));
    else if (phase == Phase::undoing)
        m_summary->setText(QStringLiteral("Bringing back…"));
    else if (!preview.error.isEmpty())
        m_summary->setText(QStringLiteral("Can’t read Downloads"));
    else if (preview.items.empty())
        m_summary->setText(QStringLiteral("Nothing to tidy"));
    else
        m_summary->setText(QStringLiteral("%1 · %2").arg(
            preview.items.size() == 1 ? QStringLiteral("1 item")
                                      : QStringLiteral("%1 items").arg(preview.items.size()),
            formatByteCount(preview.totalSize)));
    m_summary->setToolTip(preview.error);
    if (phase == Phase::ready)
        fillItems();
    QString outcome = m_model.outcome();
    if (phase == Phase::ready && !preview.error.isEmpty())
        outcome = QStringLiteral("Downloads could not be read: ") + preview.error;
    m_outcome->setText(outcome);
    m_outcome->setVisible(!outcome.isEmpty());
    m_tidyNow->setEnabled(phase == Phase::ready && !preview.items.empty());
    m_undo->setVisible(m_model.canUndo());
    m_undo->setEnabled(!busy);
}

void TidySectionView::fillItems()
{
    while (QLayoutItem* item = m_itemsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const TidyPreview& preview = m_model.preview();
    const int rows = int(std::min<std::size_t>(preview.items.size(), maxRows));
    for (int i = 0; i < rows; ++i) {
        const TidyItem& item = preview.items[std::size_t(i)];
        m_itemsLayout->addWidget(itemRow(item.path,
                                         age(item.ageDays) + QStringLiteral(" · ") +
                                             destinationOf(item.destination, item.path),
                                         m_items));
    }
    if (std::size_t(rows) < preview.items.size()) {
        auto* more = new QLabel(
            QStringLiteral("and %1 more").arg(preview.items.size() - std::size_t(rows)), m_items);
        more->setContentsMargins(16, 4, 16, 4);
        more->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 140); font-size: 11px;"));
        m_itemsLayout->addWidget(more);
    }
    m_scroll->setVisible(rows > 0);
    m_scroll->setFixedHeight(std::min(rows, shownRows) * itemHeight);
}
