// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "toast/IslandPainter.h"
#include "toast/SpringAnimation.h"
#include "toast/ToastTypes.h"

#include <QIcon>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

// What the controller hands the island on every update.
struct ToastViewInputs {
    std::vector<ToastFileItem> files;
    double countdownDeadline = 0.0; // on the controller's clock, seconds
    double countdownDuration = 7.0; // seconds of that clock
    std::optional<double> pausedProgress;
    int topInset = 14;
    bool hasNotch = false;
    DynamicIslandToastState state = DynamicIslandToastState::hidden;
    bool isOptionHeld = false;
    std::function<void(bool)> onHoverChanged;
    std::function<void()> onMarkTemporary;
    std::function<void()> onCustomTime;
    std::function<void(bool)> onOptionHeld; // Alt pressed or released over the island
    std::function<void()> onMove;
    std::function<void()> onMore;
    // The files were just trashed: the island offers only to take that back.
    bool showsUndo = false;
    std::function<void()> onUndo;
};

// The island: a custom-painted widget filling the toast panel, the island at
// its top centre. It keeps its own animation state across input updates and
// redraws every frame only while it is expanded or still moving.
class DynamicIslandToastHost : public QWidget {
    Q_OBJECT
public:
    using Clock = std::function<double()>;

    static inline const SpringParameters stateSpring{0.45, 0.65};
    static inline const SpringParameters bumpUpSpring{0.35, 0.6};
    static inline const SpringParameters bumpDownSpring{0.45, 0.72};
    static constexpr int bumpReturnMs = 120;
    static constexpr double optionSwapSeconds = 0.12;
    static constexpr int frameIntervalMs = 16;

    explicit DynamicIslandToastHost(Clock clock, QWidget* parent = nullptr);

    void setInputs(ToastViewInputs inputs);
    const ToastViewInputs& inputs() const { return m_inputs; }

    DynamicIslandToastState animatedState() const { return m_animatedState; }
    double bumpScale() const;
    const QString& contentKey() const { return m_contentKey; }
    bool isHovering() const { return m_isHovering; }
    bool isAnimatingFrames() const { return m_frameTimer.isActive(); }
    // The remaining fraction the ring shows now.
    double ringProgress() const;
    // The outline drawn at this moment, in widget coordinates.
    QPainterPath currentOutline() const;
    double currentOpacity() const;
    // Renders the current frame, as painted on screen.
    void renderFrame(QPainter& painter, bool withRing = true) const;

    // The badges shown now: the three actions, or the one "Undo".
    int badgeCount() const { return m_inputs.showsUndo ? 1 : 3; }
    islandpainter::BadgeText badgeText(int index) const;
    // Where badge `index` sits on the expanded island, in widget coordinates.
    QRectF badgeRect(int index) const;
    // What a click on badge `index` does; `optionHeld`: Alt was down.
    void pressBadge(int index, bool optionHeld = false);

Q_SIGNALS:
    // The drawn outline moved (the panel re-shapes itself without a compositor).
    void outlineChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void followOption(Qt::KeyboardModifiers modifiers);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void applyState();
    void watchFirstFile();
    void setHovering(bool hovering);
    int badgeAt(QPointF position) const;
    void onFrame();
    void updateFrameTimer();
    double optionBlend() const;
    // Nothing moves but the ring: the rest of the island comes from a cache.
    bool isStill() const;
    double expansion(double now) const;
    void invalidateCache();
    const QIcon& iconFor(const QString& path);

    Clock m_clock;
    ToastViewInputs m_inputs;
    DynamicIslandToastState m_animatedState = DynamicIslandToastState::hidden;
    mutable bool m_shrunkAway = false; // collapsing, and already down to nothing once
    SpringValue m_expansion{0.0};
    SpringValue m_bump{1.0};
    QString m_contentKey;
    bool m_isHovering = false;
    bool m_appeared = false; // the first inputs set the state too
    bool m_optionShown = false;
    double m_optionChangedAt = -1.0;
    int m_pressedBadge = -1;
    bool m_outlineMoving = false;
    QTimer m_frameTimer;
    QPixmap m_cache;
    bool m_cacheValid = false;
    QString m_iconPath;
    QIcon m_icon;
};
