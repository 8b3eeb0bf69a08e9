// The benchmarks' clock: a monotonic time in seconds or milliseconds, from
// an arbitrary start; and the median they report of repeated rounds. (<chrono> cannot be compiled with a GBK execution
// character set: its duration suffixes hold a micro sign.)
#pragma once

#include <algorithm>
#include <vector>

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

// The middle value of the rounds (the upper one of an even count).
inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace yq::test
