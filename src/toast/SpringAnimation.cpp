// SPDX-License-Identifier: GPL-3.0-or-later
#include "toast/SpringAnimation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double springProgress(double t, SpringParameters spring)
{
    if (t <= 0.0)
        return 0.0;
    if (spring.response <= 0.0)
        return 1.0;
    const double omega = 2.0 * std::numbers::pi / spring.response;
    const double zeta = std::max(spring.dampingFraction, 0.0);
    if (zeta < 1.0) {
        const double omegaD = omega * std::sqrt(1.0 - zeta * zeta);
        const double envelope = std::exp(-zeta * omega * t);
        return 1.0 -
               envelope * (std::cos(omegaD * t) + (zeta * omega / omegaD) * std::sin(omegaD * t));
    }
    if (zeta == 1.0)
        return 1.0 - std::exp(-omega * t) * (1.0 + omega * t);
    // Overdamped: two real roots.
    const double root = omega * std::sqrt(zeta * zeta - 1.0);
    const double r1 = -zeta * omega + root;
    const double r2 = -zeta * omega - root;
    const double c2 = r1 / (r2 - r1);
    const double c1 = -1.0 - c2;
    return 1.0 + c1 * std::exp(r1 * t) + c2 * std::exp(r2 * t);
}

double springSettleTime(SpringParameters spring)
{
    if (spring.response <= 0.0)
        return 0.0;
    const double omega = 2.0 * std::numbers::pi / spring.response;
    const double zeta = std::max(spring.dampingFraction, 0.05);
    if (zeta < 1.0) {
        // The envelope e^(-ζωt) falls below 0.1 %.
        return std::log(1000.0) / (zeta * omega);
    }
    // The slower of the two decays, with room for its polynomial factor.
    const double decay = omega * (zeta - std::sqrt(zeta * zeta - 1.0));
    return (std::log(1000.0) + 3.0) / decay;
}

void SpringValue::animateTo(double target, double now, SpringParameters spring)
{
    if (target == m_to && !m_animating)
        return;
    m_from = value(now);
    m_to = target;
    m_start = now;
    m_spring = spring;
    m_animating = true;
}

void SpringValue::jumpTo(double v)
{
    m_from = m_to = v;
    m_animating = false;
}

double SpringValue::value(double now) const
{
    if (!m_animating)
        return m_to;
    if (now - m_start >= springSettleTime(m_spring))
        return m_to;
    return m_from + (m_to - m_from) * springProgress(now - m_start, m_spring);
}

bool SpringValue::isSettled(double now) const
{
    return !m_animating || now - m_start >= springSettleTime(m_spring);
}
