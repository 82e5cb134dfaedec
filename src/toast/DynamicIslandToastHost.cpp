// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/DynamicIslandToastHost.h"

#include "toast/IslandPainter.h"

#include <QAccessible>
#include <QEasingCurve>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <tuple>

DynamicIslandToastHost::DynamicIslandToastHost(Clock clock, QWidget* parent)
    : QWidget(parent), m_clock(std::move(clock))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    m_frameTimer.setInterval(frameIntervalMs);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &DynamicIslandToastHost::onFrame);
}

void DynamicIslandToastHost::setInputs(ToastViewInputs inputs)
{
    const bool firstInstall = !m_appeared;
    // What a screen reader says of the island: its first file, the count, the badges.
    auto spoken = [](const ToastViewInputs& in) {
        return std::tuple(in.files.empty() ? QString() : in.files.front().fileName, in.files.size(),
                          in.showsUndo, in.isOptionHeld);
    };
    const bool spokenChanged = firstInstall || spoken(inputs) != spoken(m_inputs);
    m_appeared = true;
    m_inputs = std::move(inputs);
    if (m_inputs.isOptionHeld != m_optionShown) {
        m_optionShown = m_inputs.isOptionHeld;
        m_optionChangedAt = m_clock();
    }
    if (firstInstall || m_inputs.state != m_animatedState)
        applyState();
    watchFirstFile();
    invalidateCache();
    updateFrameTimer();
    update();
    if (spokenChanged && QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void DynamicIslandToastHost::applyState()
{
    m_animatedState = m_inputs.state;
    const double target = m_animatedState == DynamicIslandToastState::visible ? 1.0 : 0.0;
    m_expansion.animateTo(target, m_clock(), stateSpring);
    m_shrunkAway = false;
    m_outlineMoving = true;
    if (m_animatedState == DynamicIslandToastState::hidden) {
        m_pressedBadge = -1;
        setHovering(false);
    }
}

void DynamicIslandToastHost::watchFirstFile()
{
    const QString firstId = m_inputs.files.empty() ? QString() : m_inputs.files.front().id;
    if (firstId == m_contentKey)
        return;
    if (!m_contentKey.isEmpty() && m_animatedState == DynamicIslandToastState::visible) {
        m_bump.animateTo(1.04, m_clock(), bumpUpSpring);
        m_outlineMoving = true;
        QTimer::singleShot(bumpReturnMs, this, [this] {
            m_bump.animateTo(1.0, m_clock(), bumpDownSpring);
            m_outlineMoving = true;
            updateFrameTimer();
        });
    }
    m_contentKey = firstId;
}

double DynamicIslandToastHost::bumpScale() const
{
    return m_bump.value(m_clock());
}

double DynamicIslandToastHost::ringProgress() const
{
    if (m_inputs.pausedProgress)
        return *m_inputs.pausedProgress;
    if (m_inputs.countdownDuration <= 0.0)
        return 0.0;
    const double remaining = m_inputs.countdownDeadline - m_clock();
    if (remaining < 0.0)
        return 0.0;
    return std::min(remaining / m_inputs.countdownDuration, 1.0);
}

double DynamicIslandToastHost::optionBlend() const
{
    const double target = m_optionShown ? 1.0 : 0.0;
    if (m_optionChangedAt < 0.0)
        return target;
    const double t = (m_clock() - m_optionChangedAt) / optionSwapSeconds;
    if (t >= 1.0)
        return target;
    const double eased = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(std::max(t, 0.0));
    return m_optionShown ? eased : 1.0 - eased;
}

const QIcon& DynamicIslandToastHost::iconFor(const QString& path)
{
    if (path == m_iconPath)
        return m_icon;
    m_iconPath = path;
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    m_icon = QIcon::fromTheme(type.iconName());
    if (m_icon.isNull())
        m_icon = QIcon::fromTheme(type.genericIconName());
    if (m_icon.isNull())
        m_icon = QFileIconProvider().icon(QFileInfo(path));
    return m_icon;
}

bool DynamicIslandToastHost::isStill() const
{
    const double now = m_clock();
    return m_expansion.isSettled(now) && m_bump.isSettled(now) &&
           (m_optionChangedAt < 0 || now - m_optionChangedAt >= optionSwapSeconds);
}

void DynamicIslandToastHost::invalidateCache()
{
    m_cacheValid = false;
}

void DynamicIslandToastHost::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    invalidateCache();
}

void DynamicIslandToastHost::renderFrame(QPainter& painter, bool withRing) const
{
    const double now = m_clock();
    IslandFrame frame;
    frame.files = m_inputs.files;
    if (!frame.files.empty())
        frame.icon =
            const_cast<DynamicIslandToastHost*>(this)->iconFor(frame.files.front().filePath);
    frame.progress = ringProgress();
    frame.topInset = m_inputs.topInset;
    frame.hasNotch = m_inputs.hasNotch;
    frame.expansion = expansion(now);
    frame.bumpScale = m_bump.value(now);
    frame.optionBlend = optionBlend();
    frame.isInteractive = m_isHovering;
    frame.pressedBadge = m_pressedBadge;
    frame.showsUndo = m_inputs.showsUndo;
    frame.drawRing = withRing;
    islandpainter::paint(painter, frame, width());
}

QPainterPath DynamicIslandToastHost::currentOutline() const
{
    const double now = m_clock();
    IslandFrame frame;
    frame.topInset = m_inputs.topInset;
    frame.hasNotch = m_inputs.hasNotch;
    frame.expansion = expansion(now);
    frame.bumpScale = m_bump.value(now);
    return islandpainter::drawnOutline(frame, width());
}

double DynamicIslandToastHost::currentOpacity() const
{
    IslandFrame frame;
    frame.hasNotch = m_inputs.hasNotch;
    frame.expansion = expansion(m_clock());
    return islandpainter::islandOpacity(frame);
}

// The spring undershoots on the way in and rebounds: once the collapsing
// island has shrunk to nothing it stays there, or a rebound would flash a
// bar (solid black without a compositor, whatever its opacity).
double DynamicIslandToastHost::expansion(double now) const
{
    const double value = m_expansion.value(now);
    if (m_animatedState == DynamicIslandToastState::hidden && value <= 0.0)
        m_shrunkAway = true;
    return m_shrunkAway ? 0.0 : value;
}

void DynamicIslandToastHost::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!isStill() || m_animatedState != DynamicIslandToastState::visible) {
        renderFrame(painter);
        return;
    }
    // Expanded and still: only the ring changes from frame to frame.
    if (!m_cacheValid) {
        const qreal ratio = devicePixelRatioF();
        m_cache = QPixmap(size() * ratio);
        m_cache.setDevicePixelRatio(ratio);
        m_cache.fill(Qt::transparent);
        QPainter cachePainter(&m_cache);
        renderFrame(cachePainter, false);
        m_cacheValid = true;
    }
    painter.drawPixmap(0, 0, m_cache);
    islandpainter::paintRing(painter, islandpainter::ringRect(width(), m_inputs.topInset),
                             ringProgress());
}

void DynamicIslandToastHost::onFrame()
{
    if (m_outlineMoving) {
        const double now = m_clock();
        if (m_expansion.isSettled(now) && m_bump.isSettled(now))
            m_outlineMoving = false;
        Q_EMIT outlineChanged();
    }
    if (isStill() && m_cacheValid) {
        const QRect ring = islandpainter::ringRect(width(), m_inputs.topInset).toAlignedRect();
        update(ring.adjusted(-2, -2, 2, 2));
    } else {
        invalidateCache();
        update();
    }
    updateFrameTimer();
}

void DynamicIslandToastHost::updateFrameTimer()
{
    const double now = m_clock();
    const bool expanded = m_animatedState == DynamicIslandToastState::visible && isVisible();
    // A paused ring stands still; only the springs and the label swap move then.
    const bool ringRunning = expanded && !m_inputs.pausedProgress;
    const bool moving = m_outlineMoving || !m_expansion.isSettled(now) || !m_bump.isSettled(now) ||
                        (m_optionChangedAt >= 0 && now - m_optionChangedAt < optionSwapSeconds);
    const bool needed = (ringRunning || moving) && isVisible();
    if (needed && !m_frameTimer.isActive())
        m_frameTimer.start();
    else if (!needed && m_frameTimer.isActive())
        m_frameTimer.stop();
}

void DynamicIslandToastHost::setHovering(bool hovering)
{
    if (hovering == m_isHovering)
        return;
    m_isHovering = hovering;
    if (!hovering)
        m_pressedBadge = -1;
    invalidateCache();
    update();
    if (m_inputs.onHoverChanged)
        m_inputs.onHoverChanged(hovering);
}

int DynamicIslandToastHost::badgeAt(QPointF position) const
{
    if (m_inputs.showsUndo)
        return islandpainter::undoBadgeRect(width(), m_inputs.topInset).contains(position) ? 0 : -1;
    const auto rects = islandpainter::badgeRects(width(), m_inputs.topInset, m_optionShown);
    for (int i = 0; i < int(rects.size()); ++i) {
        if (rects[std::size_t(i)].contains(position))
            return i;
    }
    return -1;
}

void DynamicIslandToastHost::mouseMoveEvent(QMouseEvent* event)
{
    const bool inside = m_animatedState == DynamicIslandToastState::visible &&
                        currentOutline().contains(event->position());
    setHovering(inside);
    followOption(event->modifiers());
}

void DynamicIslandToastHost::followOption(Qt::KeyboardModifiers modifiers)
{
    // The island never has the keyboard: the pointer's events carry Alt.
    const bool held = m_isHovering && modifiers.testFlag(Qt::AltModifier);
    if (held != m_inputs.isOptionHeld && m_inputs.onOptionHeld)
        m_inputs.onOptionHeld(held);
}

void DynamicIslandToastHost::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_isHovering)
        return;
    followOption(event->modifiers());
    m_pressedBadge = badgeAt(event->position());
    invalidateCache();
    update();
}

void DynamicIslandToastHost::mouseReleaseEvent(QMouseEvent* event)
{
    const int pressed = m_pressedBadge;
    m_pressedBadge = -1;
    invalidateCache();
    update();
    if (event->button() != Qt::LeftButton || pressed < 0 || !m_isHovering ||
        badgeAt(event->position()) != pressed)
        return;
    pressBadge(pressed, event->modifiers().testFlag(Qt::AltModifier));
}

islandpainter::BadgeText DynamicIslandToastHost::badgeText(int index) const
{
    if (m_inputs.showsUndo)
        return islandpainter::undoBadgeText();
    return islandpainter::badgeTexts(m_optionShown)[std::size_t(std::clamp(index, 0, 2))];
}

QRectF DynamicIslandToastHost::badgeRect(int index) const
{
    if (m_inputs.showsUndo)
        return islandpainter::undoBadgeRect(width(), m_inputs.topInset);
    return islandpainter::badgeRects(width(), m_inputs.topInset,
                                     m_optionShown)[std::size_t(std::clamp(index, 0, 2))];
}

void DynamicIslandToastHost::pressBadge(int index, bool optionHeld)
{
    if (index < 0 || index >= badgeCount())
        return;
    const std::function<void()>* action = nullptr;
    if (m_inputs.showsUndo)
        action = &m_inputs.onUndo;
    else if (index == 0)
        action = m_optionShown || optionHeld ? &m_inputs.onCustomTime : &m_inputs.onMarkTemporary;
    else if (index == 1)
        action = &m_inputs.onMove;
    else
        action = &m_inputs.onMore;
    if (*action)
        (*action)();
}

bool DynamicIslandToastHost::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int badge = m_isHovering ? badgeAt(help->pos()) : -1;
    // A keycap spells its keys; the rest of the island says where the file came from.
    QString text;
    if (badge >= 0)
        text = m_inputs.showsUndo
                   ? islandpainter::undoBadgeText().toolTip
                   : islandpainter::badgeTexts(m_optionShown)[std::size_t(badge)].toolTip;
    else if (m_isHovering && !m_inputs.files.empty() &&
             !m_inputs.files.front().originHost.isEmpty())
        text = QStringLiteral("From ") + m_inputs.files.front().originHost;
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void DynamicIslandToastHost::leaveEvent(QEvent*)
{
    setHovering(false);
    followOption({});
}

void DynamicIslandToastHost::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateFrameTimer();
}

void DynamicIslandToastHost::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // Nothing is drawn off screen.
    m_frameTimer.stop();
    setHovering(false);
}
