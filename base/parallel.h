// Runs fn(i) for every i in [0, count) on up to `threads` threads (the
// calling thread is one of them). Items are handed out one at a time, so a
// slow item never holds up a whole share. Returns when every item is done.
//
// Meant for work that waits rather than computes: under Wine each registry
// or file call is a round trip to the wine server, and several threads keep
// that server busy while each one waits for its answer.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace yq {

template <typename Fn>
void parallel_for(size_t count, unsigned threads, Fn&& fn) {
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) fn(i);
    };
    size_t helpers = threads > 1 ? threads - 1 : 0;
    if (helpers > count) helpers = count > 0 ? count - 1 : 0;
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
}

}  // namespace yq
