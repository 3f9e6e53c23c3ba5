// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The CPU time of the calling thread, for benchmarks that time their work
// themselves (UseManualTime): other threads and a noisy machine's waits
// stay out of it.

#include <time.h>

namespace curvane::bench {

inline double ThreadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

}  // namespace curvane::bench
