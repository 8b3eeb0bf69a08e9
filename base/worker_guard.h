// The guard around every worker thread's work. An exception that escaped a
// thread's function would end the whole process; the one a worker can meet
// is std::bad_alloc, on the 32-bit release above all. The guard ends the
// work instead, and the worker reports a failure the way its task reports
// any other (a download's failure box, the catalogue update's message, the
// preview's failure caption), so the program goes on.
#pragma once

#include <cstdio>
#include <exception>

namespace yq {

// Runs `work`. When an exception escapes it, a line naming `what` goes to
// stderr (the only log the program keeps) and `on_failure` runs, after the
// exception and whatever its unwinding freed are gone. An exception from
// `on_failure` is dropped: nothing escapes. True when `work` ran to its end.
template <typename Work, typename OnFailure>
bool run_guarded(const char* what, Work&& work, OnFailure&& on_failure) noexcept {
    bool failed = false;
    try {
        work();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "yanqing: %s failed: %s\n", what, e.what());
        failed = true;
    } catch (...) {
        std::fprintf(stderr, "yanqing: %s failed\n", what);
        failed = true;
    }
    if (!failed) return true;
    try {
        on_failure();
    } catch (...) {
    }
    return false;
}

}  // namespace yq
