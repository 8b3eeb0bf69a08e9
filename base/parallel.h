// Runs fn(i) for every i in [0, count) on up to `threads` threads (the
// calling thread is one of them). Items are handed out one at a time, so a
// slow item never holds up a whole share. Returns when every item is done.
// An exception from fn (std::bad_alloc above all) stops the items not yet
// started; once every thread has stopped, the first one is thrown again on
// the calling thread, where the worker's guard sees it: an exception must
// never end a helper thread, which would end the process.
//
// Meant for work that waits rather than computes: under Wine each registry
// or file call is a round trip to the wine server, and several threads keep
// that server busy while each one waits for its answer.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace yq {

template <typename Fn>
void parallel_for(size_t count, unsigned threads, Fn&& fn) {
    std::atomic<size_t> next{0};
    std::mutex failure_lock;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) fn(i);
        } catch (...) {
            next.store(count);
            std::lock_guard<std::mutex> hold(failure_lock);
            if (!failure) failure = std::current_exception();
        }
    };
    size_t helpers = threads > 1 ? threads - 1 : 0;
    if (helpers > count) helpers = count > 0 ? count - 1 : 0;
    std::vector<std::thread> pool;
    try {
        pool.reserve(helpers);
        for (size_t t = 0; t < helpers; ++t) pool.emplace_back(work);
    } catch (...) {
        // No memory or no thread to be had: the threads there are share the items.
    }
    work();
    for (std::thread& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace yq
