// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QWidget>

// The theme icon names to try for the item at `path`, best first. The type
// comes from the name alone: the list is built on the main thread and never
// touches the file. An empty path asks for the generic data icon.
QStringList fileRowIconNames(const QString& path);

// The first of those the icon theme has; the style's file icon without a theme.
QIcon fileRowIcon(const QString& path);

// That icon stretched to the rows' 28 × 28 frame, sharp at any device pixel ratio.
class FileIconView : public QWidget {
public:
    FileIconView(const QString& path, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon m_icon;
};
