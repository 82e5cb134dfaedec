// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/FileRowIcon.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace {

const QString genericData = QStringLiteral("application-octet-stream");

} // namespace

QStringList fileRowIconNames(const QString& path)
{
    if (path.isEmpty())
        return {genericData};
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QStringList names{type.iconName(), type.genericIconName(), genericData};
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

QIcon fileRowIcon(const QString& path)
{
    for (const QString& name : fileRowIconNames(path)) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

FileIconView::FileIconView(const QString& path, QWidget* parent)
    : QWidget(parent), m_icon(fileRowIcon(path))
{
    setFixedSize(28, 28);
}

void FileIconView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    m_icon.paint(&painter, rect());
}
