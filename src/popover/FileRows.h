// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "expiry/ExpiryUnit.h"
#include "store/TrackedFile.h"

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class QHBoxLayout;
class QLabel;
class QMenu;

// "Mark as temporary (auto-deletes after 3 days)"; the unit singular at exactly 1.
QString markTemporaryToolTip(qint64 amount, ExpiryUnit unit);
// A tooltip that wraps instead of running off the screen (Qt wraps rich text).
QString wrappedToolTip(const QString& text);
// A state the user must notice: a warning glyph and a word on an amber pill.
QLabel* warningPill(const QString& text, QWidget* parent);

// One file of the popover's list, drawn for its dark background: the file's
// icon, its name over its size, and a "⋯" button (objectName "rowMenuButton")
// with the row's actions. A left click anywhere else on the row reveals the
// file. A row only shows its record: the callbacks do the work, and they must
// not delete the row while it is delivering them (use deleteLater).
class FileRowView : public QWidget {
    Q_OBJECT
public:
    QMenu* menu() const { return m_menu; }

protected:
    FileRowView(const TrackedFile& file, std::function<void()> onReveal, QWidget* parent);

    // Puts a widget between the flexible space and the menu button.
    void addBeforeMenuButton(QWidget* widget);
    void addMenuAction(const QString& themeIcon, const QString& text,
                       std::function<void()> callback, const QString& toolTip = {});
    // The host beside the size, and "Copy Download Link" in the menu.
    void showOrigin(const std::optional<QUrl>& origin);
    // Why the row's last action failed ("Couldn’t delete: reason"): its
    // first part before the menu button (objectName "actionFailure"), the
    // whole as its tooltip. Nothing when empty; true when shown.
    bool showFailure(const QString& failure);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> m_onReveal;
    QHBoxLayout* m_layout;
    QLabel* m_size;
    QMenu* m_menu;
    bool m_hovered = false;
    bool m_pressed = false;
};

// A file marked temporary: its countdown (objectName "countdown"), and "Keep"
// and "Delete" in its menu.
class TemporaryFileRowView final : public FileRowView {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onKeep;
        std::function<void()> onDeleteNow;
        std::function<void()> onReveal;
        // "Keep 1 more hour" / "day" give their seconds; "Custom…" gives none.
        std::function<void(std::optional<double>)> onSnooze;
        std::optional<QUrl> origin; // where the file was downloaded from
        // Why the Trash refused the file when its time was up; it shows in
        // place of the countdown (objectName "trashRefusal").
        QString trashRefusal;
        // Why the last action on the row failed (see showFailure); it
        // shows in place of either.
        QString failure;
    };
    TemporaryFileRowView(const TrackedFile& file, Actions actions, QWidget* parent = nullptr);
};

// A file kept or already there: "Mark as temporary" in its menu, with
// `markToolTip` (see markTemporaryToolTip) as that item's tooltip, and
// "Keep forever" (or "Unpin" once pinned, shown as a pin, objectName "pin").
class IgnoredFileRowView final : public FileRowView {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onMarkTemporary;
        std::function<void()> onReveal;
        std::optional<QUrl> origin; // where the file was downloaded from
        QString failure;            // why the last action failed (see showFailure)
        std::function<void()> onTogglePin;
    };
    IgnoredFileRowView(const TrackedFile& file, Actions actions, const QString& markToolTip,
                       QWidget* parent = nullptr);
};
