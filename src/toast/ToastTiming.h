// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// How long things take. The defaults are the real values; tests shorten them.
struct ToastTiming {
    double second = 1.0; // one countdown second, in seconds of the clock
    std::chrono::milliseconds expandDelay{16};
    std::chrono::milliseconds hideDelay{400};
    std::chrono::milliseconds fadeOut{200};
    std::chrono::milliseconds finalDelay{220};
    std::chrono::milliseconds fadeIn{150};
    std::chrono::milliseconds inputFadeIn{180};
    std::chrono::milliseconds inputFadeOut{150};
    std::chrono::milliseconds noticeDuration{6000};
};
