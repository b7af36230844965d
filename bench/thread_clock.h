#pragma once
// Processor time of the calling thread, in milliseconds: step timings that say what one core
// spends, however busy the machine is.
#include <ctime>

inline double threadMs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
