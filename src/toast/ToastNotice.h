// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/FloatingPanel.h"

#include <QTimer>
#include <chrono>

class QHBoxLayout;
class QLabel;

// A short message in the toast's place, for what went wrong after the toast
// had gone (a move that failed, a file the Trash refused). It hangs from the
// top edge in the island's black shape, stays for a while and goes earlier
// on a click; it never takes focus.
class ToastNotice : public FloatingPanel {
    Q_OBJECT
public:
    static constexpr int islandHeight = 52; // at the least: it grows for a long reason

    ToastNotice(std::shared_ptr<WindowSystem> windowSystem, std::chrono::milliseconds duration,
                std::chrono::milliseconds fade);

    // Shows `text` in `frame`; a notice already up takes the new text and
    // starts its time again.
    void present(const QString& text, const QRect& frame);
    void dismiss();
    QString text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* m_label;
    QLabel* m_glyph;
    QHBoxLayout* m_row;
    QTimer m_timer;
    std::chrono::milliseconds m_fade;
};
