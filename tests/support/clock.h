// The benchmarks' clock: a monotonic time in seconds or milliseconds, from
// an arbitrary start. (<chrono> cannot be compiled with a GBK execution
// character set: its duration suffixes hold a micro sign.)
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace yq::test {

inline double now_seconds() {
#ifdef _WIN32
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(freq.QuadPart);
#else
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
#endif
}

inline double now_ms() {
    return now_seconds() * 1000.0;
}

}  // namespace yq::test
