// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>
#include <array>

class DynamicIslandToastHost;

// The island as a screen reader sees it: a notification named after the
// first file, whose painted badges are buttons of their own.
class IslandAccessible : public QAccessibleWidget {
public:
    explicit IslandAccessible(DynamicIslandToastHost* host);
    ~IslandAccessible() override;

    // Makes Qt ask this class for every island; once, after the application exists.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

private:
    DynamicIslandToastHost* host() const;

    // Each badge's interface is made once and handed out again, as Qt expects.
    mutable std::array<QAccessible::Id, 3> m_badges{};
};
