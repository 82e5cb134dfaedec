// SPDX-License-Identifier: GPL-3.0-or-later
#include "popover/CountdownIndicator.h"

#include "platform/Formatters.h"

#include "platform/Log.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace {

constexpr int pillTextPixelSize = 11;
constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 4;
constexpr double fillOpacity = 0.3;

const QColor urgentColour(255, 69, 58);
const QColor soonColour(255, 159, 10);

// Abbreviated components, at most two, the smaller one dropped when zero:
// "59m", "1h 30m", "2h", "30h". Whole units only: the label never runs ahead.
QString abbreviatedDuration(qint64 seconds)
{
    const qint64 minutes = seconds / 60;
    if (seconds < countdown::urgentBelowSeconds)
        return minutes > 0 ? QString::number(minutes) + QLatin1Char('m') : QString();
    QString text = QString::number(seconds / 3600) + QLatin1Char('h');
    if (minutes % 60 != 0)
        text += QLatin1Char(' ') + QString::number(minutes % 60) + QLatin1Char('m');
    return text;
}

QString label(qint64 remainingMs)
{
    if (remainingMs <= 0)
        return QStringLiteral("Deleting…");
    if (remainingMs < 60'000)
        return QStringLiteral("<1m left");
    const QString duration = abbreviatedDuration(remainingMs / 1000);
    return (duration.isEmpty() ? QStringLiteral("—") : duration) + QStringLiteral(" left");
}

countdown::Urgency urgency(qint64 remainingMs)
{
    if (remainingMs < countdown::urgentBelowSeconds * 1000)
        return countdown::Urgency::urgent;
    if (remainingMs < countdown::soonBelowSeconds * 1000)
        return countdown::Urgency::soon;
    return countdown::Urgency::calm;
}

QFont captionFont(QFont font)
{
    font.setPixelSize(pillTextPixelSize);
    return font;
}

} // namespace

std::optional<countdown::Face> countdown::faceAt(std::optional<QDateTime> markedAt,
                                                 std::optional<QDateTime> expiresAt, QDateTime now)
{
    if (!expiresAt || !expiresAt->isValid())
        return std::nullopt;
    const qint64 remainingMs = std::max<qint64>(0, now.msecsTo(*expiresAt));
    Face face;
    face.label = label(remainingMs);
    face.urgency = urgency(remainingMs);
    face.remainingSeconds = remainingMs / 1000;
    if (markedAt && markedAt->isValid()) {
        const qint64 total = markedAt->msecsTo(*expiresAt);
        if (total > 0)
            face.progress = std::clamp(double(markedAt->msecsTo(now)) / double(total), 0.0, 1.0);
    }
    return face;
}

CountdownIndicator::CountdownIndicator(std::optional<QDateTime> markedAt,
                                       std::optional<QDateTime> expiresAt, QWidget* parent,
                                       Clock clock, std::chrono::milliseconds interval)
    : QWidget(parent), m_markedAt(std::move(markedAt)), m_expiresAt(std::move(expiresAt)),
      m_clock(std::move(clock))
{
    setFont(captionFont(font()));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_timer.setInterval(interval);
    connect(&m_timer, &QTimer::timeout, this, &CountdownIndicator::refresh);
    // Computed now as well, so the first layout already has the pill's size.
    m_face = countdown::faceAt(m_markedAt, m_expiresAt, m_clock());
    if (!m_face)
        setVisible(false);
}

QSize CountdownIndicator::sizeHint() const
{
    if (!m_face)
        return {0, 0};
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_face->label) + 2 * horizontalPadding,
            metrics.height() + 2 * verticalPadding};
}

void CountdownIndicator::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
    if (m_face)
        m_timer.start();
}

void CountdownIndicator::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void CountdownIndicator::refresh()
{
    const QDateTime now = m_clock();
    const QString before = label();
    m_face = countdown::faceAt(m_markedAt, m_expiresAt, now);
    if (!m_face)
        return;
    VANTLE_DIAG(lcApp,
                QStringLiteral("CountdownIndicator.content: marked=%1 exp=%2 now=%3 "
                               "remaining=%4s progress=%5")
                    .arg(diagnosticDate(m_markedAt), diagnosticDate(m_expiresAt),
                         diagnosticDate(now), QString::number(m_face->remainingSeconds),
                         QString::number(m_face->progress, 'f', QLocale::FloatingPointShortest)));
    if (m_face->label != before)
        updateGeometry();
    if (accessibleName() != m_face->label)
        setAccessibleName(m_face->label);
    update();
}

void CountdownIndicator::paintEvent(QPaintEvent*)
{
    if (!m_face)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_face->urgency == countdown::Urgency::urgent ? urgentColour
                  : m_face->urgency == countdown::Urgency::soon
                      ? soonColour
                      : palette().color(QPalette::PlaceholderText);
    fill.setAlphaF(fillOpacity * fill.alphaF());
    const QRectF capsule(rect());
    QPainterPath path;
    path.addRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.fillPath(path, fill);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, m_face->label);
}
