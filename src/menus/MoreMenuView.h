// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "menus/MoreMenuViewModel.h"

#include <QWidget>
#include <functional>

// The More menu's rows on the panel background: hover highlights a row, a
// click chooses it. Keys are the hosting panel's.
class MoreMenuView : public QWidget {
    Q_OBJECT
public:
    MoreMenuView(MoreMenuViewModel& model, bool translucent, QWidget* parent = nullptr);

    std::function<void(MoreMenuAction)> onSelect;
    // Row `index`'s rectangle in this widget, for tests and pointer work.
    QRect rowRect(int index) const;

private:
    MoreMenuViewModel& m_model;
    QWidget* m_background;
};
