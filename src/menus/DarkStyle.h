// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPalette>
#include <QProxyStyle>
#include <QString>

// The one look of every surface Vantle draws, whatever the desktop's theme:
// Fusion with a dark palette, a style sheet for the menus, fields, lists,
// tooltips and scroll bars inside the panels, and a focus ring that can be
// seen on the dark surface.
class DarkStyle : public QProxyStyle {
    Q_OBJECT
public:
    DarkStyle();

    // Sets the style, palette and style sheet on the application; once, at start.
    static void install();
    static QPalette darkPalette();
    static QString styleSheet();
    // The accent that marks focus and selection.
    static QColor accent();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};
