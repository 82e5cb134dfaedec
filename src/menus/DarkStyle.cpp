// SPDX-License-Identifier: GPL-3.0-or-later
#include "menus/DarkStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

DarkStyle::DarkStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void DarkStyle::install()
{
    QApplication::setStyle(new DarkStyle);
    QApplication::setPalette(darkPalette());
    qApp->setStyleSheet(styleSheet());
}

QColor DarkStyle::accent()
{
    return {10, 132, 255};
}

QPalette DarkStyle::darkPalette()
{
    const QColor surface(28, 28, 30);
    const QColor raised(44, 44, 46);
    const QColor text(245, 245, 245);
    QPalette p;
    p.setColor(QPalette::Window, surface);
    p.setColor(QPalette::Base, raised);
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 52));
    p.setColor(QPalette::Button, QColor(58, 58, 60));
    p.setColor(QPalette::Light, QColor(72, 72, 74));
    p.setColor(QPalette::Midlight, QColor(64, 64, 66));
    p.setColor(QPalette::Mid, QColor(255, 255, 255, 40));
    p.setColor(QPalette::Dark, QColor(18, 18, 20));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText}) {
        p.setColor(role, text);
        // What cannot be used says so.
        p.setColor(QPalette::Disabled, role, QColor(255, 255, 255, 95));
    }
    p.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 140));
    p.setColor(QPalette::Highlight, accent());
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, raised);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Link, QColor(100, 170, 255));
    return p;
}

QString DarkStyle::styleSheet()
{
    // Frameless fields (the move and time inputs) draw their own look.
    return QStringLiteral(
        "QMenu { background: #262628; color: #f5f5f5; border: 1px solid rgba(255,255,255,40);"
        " padding: 4px; }"
        "QMenu::item { padding: 6px 22px 6px 10px; border-radius: 5px; }"
        "QMenu::item:selected { background: rgba(255,255,255,36); }"
        "QMenu::item:disabled { color: rgba(255,255,255,110); }"
        "QMenu::icon { padding-left: 8px; }"
        "QMenu::separator { height: 1px; background: rgba(255,255,255,40); margin: 4px 6px; }"
        "QToolTip { background: #2c2c2e; color: #f5f5f5; border: 1px solid rgba(255,255,255,50);"
        " padding: 4px 6px; }"
        "QLineEdit[frame=\"true\"] { background: #2c2c2e; color: #f5f5f5;"
        " border: 1px solid rgba(255,255,255,45); border-radius: 6px; padding: 3px 6px;"
        " selection-background-color: #0a84ff; }"
        "QLineEdit[frame=\"true\"]:focus { border: 2px solid #0a84ff; padding: 2px 5px; }"
        "QComboBox QAbstractItemView { background: #2c2c2e; color: #f5f5f5;"
        " border: 1px solid rgba(255,255,255,50); selection-background-color: #0a84ff;"
        " outline: none; }"
        "QListView, QTreeView { background: #2c2c2e; color: #f5f5f5;"
        " selection-background-color: #0a84ff; }"
        "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px; }"
        "QScrollBar:horizontal { background: transparent; height: 10px; margin: 2px; }"
        "QScrollBar::handle { background: rgba(255,255,255,64); border-radius: 3px; }"
        "QScrollBar::handle:vertical { min-height: 24px; }"
        "QScrollBar::handle:horizontal { min-width: 24px; }"
        "QScrollBar::handle:hover { background: rgba(255,255,255,110); }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
        "QToolButton:hover { background: rgba(255,255,255,26); border-radius: 6px; }"
        "QToolButton:pressed { background: rgba(255,255,255,40); border-radius: 6px; }"
        "QToolButton:focus, QPushButton:focus { border: 2px solid #0a84ff; border-radius: 6px; }");
}

void DarkStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                              QPainter* painter, const QWidget* widget) const
{
    if (element != PE_FrameFocusRect) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion's dotted hairline disappears on the dark surface.
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(accent(), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(option->rect).adjusted(1, 1, -1, -1), 5, 5);
    painter->restore();
}
