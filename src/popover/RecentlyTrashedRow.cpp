// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/RecentlyTrashedRow.h"

#include "popover/FileRowIcon.h"
#include "popover/FileRows.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The name gives up width by eliding its middle, which keeps the extension.
class ElidedName : public QWidget {
public:
    ElidedName(QString text, QWidget* parent) : QWidget(parent), m_text(std::move(text))
    {
        setObjectName(QStringLiteral("fileName"));
        setToolTip(m_text);
        setAccessibleName(m_text);
        QFont sized = font();
        sized.setPixelSize(13);
        setFont(sized);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        setFixedHeight(fontMetrics().height());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(QColor(245, 245, 245));
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(m_text, Qt::ElideMiddle, width()));
    }

private:
    QString m_text;
};

} // namespace

QString trashedCaption(const QDateTime& trashedAt, const QDateTime& now)
{
    const qint64 seconds = trashedAt.secsTo(now);
    if (seconds < 60)
        return QStringLiteral("Trashed just now");
    if (seconds < 3600)
        return QStringLiteral("Trashed %1 min ago").arg(seconds / 60);
    if (seconds < 86400) {
        const qint64 hours = seconds / 3600;
        return QStringLiteral("Trashed %1 %2 ago")
            .arg(hours)
            .arg(hours == 1 ? QStringLiteral("hour") : QStringLiteral("hours"));
    }
    return QStringLiteral("Trashed on ") +
           QLocale(QLocale::English)
               .toString(trashedAt.toLocalTime().date(), QStringLiteral("d MMM"));
}

RecentlyTrashedRowView::RecentlyTrashedRowView(const TrashJournal::Entry& file,
                                               const QDateTime& now,
                                               std::function<void()> onRestore,
                                               const QString& failure, QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QFileInfo(file.originalPath).fileName());
    auto* row = new QHBoxLayout(this);
    // 8 above and below: the name over the caption fills the list's fixed slot.
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);
    row->addWidget(new FileIconView(file.originalPath, this), 0, Qt::AlignVCenter);

    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(new ElidedName(QFileInfo(file.originalPath).fileName(), this));
    auto* when = new QLabel(trashedCaption(file.trashedAt, now), this);
    when->setObjectName(QStringLiteral("trashedWhen"));
    when->setToolTip(
        QLocale(QLocale::English).toString(file.trashedAt.toLocalTime(), QLocale::LongFormat));
    when->setStyleSheet(QStringLiteral("color: rgba(255, 255, 255, 140); font-size: 11px;"));
    text->addWidget(when);
    row->addLayout(text, 1);
    if (!failure.isEmpty()) {
        auto* refusal = warningPill(QStringLiteral("Couldn’t restore"), this);
        refusal->setObjectName(QStringLiteral("restoreFailure"));
        refusal->setToolTip(QStringLiteral("Couldn’t restore: ") + failure);
        refusal->setAccessibleName(QStringLiteral("Couldn’t restore: ") + failure);
        row->addWidget(refusal, 0, Qt::AlignVCenter);
    }

    auto* restore = new QToolButton(this);
    restore->setObjectName(QStringLiteral("restoreButton"));
    restore->setText(QStringLiteral("Restore"));
    restore->setToolTip(QStringLiteral("Put it back in Downloads"));
    restore->setAccessibleName(QStringLiteral("Restore ") +
                               QFileInfo(file.originalPath).fileName());
    restore->setAutoRaise(true);
    restore->setCursor(Qt::PointingHandCursor);
    restore->setStyleSheet(
        QStringLiteral("QToolButton { color: rgb(10, 132, 255); font-size: 12px; "
                       "font-weight: 600; border: none; padding: 0 4px; }"
                       "QToolButton:disabled { color: rgba(255, 255, 255, 90); }"));
    connect(restore, &QToolButton::clicked, this, [restore, onRestore = std::move(onRestore)] {
        // One click, one restore: the list is read again once it is done.
        restore->setEnabled(false);
        if (onRestore)
            onRestore();
    });
    row->addWidget(restore, 0, Qt::AlignVCenter);
}
