// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>

namespace countdown {

// How often a shown pill recomputes its face; it may lag real time by this much.
inline constexpr std::chrono::milliseconds refreshInterval{10'000};
// Below these many seconds left the pill turns red, then orange.
inline constexpr qint64 urgentBelowSeconds = 3600;
inline constexpr qint64 soonBelowSeconds = 10800;

enum class Urgency { urgent, soon, calm };

// What the pill shows at one moment.
struct Face {
    QString label; // "Deleting…", "<1m left", "59m left", "1h 30m left"
    Urgency urgency = Urgency::calm;
    double progress = 0;         // share of the lifetime used, 0...1; for the log only
    qint64 remainingSeconds = 0; // whole seconds left, never negative
};

// The face at `now`; none without a (valid) expiry. A missing markedAt, or one
// not before the expiry, gives progress 0.
std::optional<Face> faceAt(std::optional<QDateTime> markedAt, std::optional<QDateTime> expiresAt,
                           QDateTime now);

} // namespace countdown

// The pill telling how long a temporary file has left. It recomputes its face
// only while shown, so rows scrolled away or a closed popover cost nothing.
// Without an expiry it hides itself and takes no room in a layout.
class CountdownIndicator : public QWidget {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    CountdownIndicator(std::optional<QDateTime> markedAt, std::optional<QDateTime> expiresAt,
                       QWidget* parent = nullptr, Clock clock = &QDateTime::currentDateTimeUtc,
                       std::chrono::milliseconds interval = countdown::refreshInterval);

    // The face last computed; none without an expiry.
    const std::optional<countdown::Face>& face() const { return m_face; }
    QString label() const { return m_face ? m_face->label : QString(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    std::optional<QDateTime> m_markedAt;
    std::optional<QDateTime> m_expiresAt;
    Clock m_clock;
    QTimer m_timer;
    std::optional<countdown::Face> m_face;
};
