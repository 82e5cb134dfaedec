// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A damped spring described as response (the period of the undamped spring,
// seconds) and damping fraction (1 = critically damped, below 1 overshoots).
struct SpringParameters {
    double response = 0.45;
    double dampingFraction = 0.65;
};

// The fraction of the way from start to target after `t` seconds, for a
// spring released at rest. Overshoots above 1 when underdamped.
double springProgress(double t, SpringParameters spring);
// Seconds after which the spring stays within 0.1 % of its target.
double springSettleTime(SpringParameters spring);

// One animated value driven by a spring: retargeting starts from wherever the
// value is at that moment.
class SpringValue {
public:
    explicit SpringValue(double value = 0.0) : m_from(value), m_to(value) {}

    void animateTo(double target, double now, SpringParameters spring);
    void jumpTo(double value);
    double value(double now) const;
    double target() const { return m_to; }
    bool isSettled(double now) const;

private:
    double m_from;
    double m_to;
    double m_start = 0.0;
    SpringParameters m_spring;
    bool m_animating = false;
};
