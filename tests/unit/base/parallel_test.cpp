#include "base/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <vector>

namespace yq {
namespace {

TEST(ParallelFor, RunsEveryItemExactlyOnceWhateverTheCounts) {
    for (size_t count : {0u, 1u, 2u, 3u, 1000u}) {
        for (unsigned threads : {0u, 1u, 2u, 4u, 16u}) {
            std::vector<std::atomic<int>> runs(count);
            parallel_for(count, threads, [&](size_t i) { runs[i].fetch_add(1); });
            for (size_t i = 0; i < count; ++i)
                ASSERT_EQ(runs[i].load(), 1) << "item " << i << " of " << count << ", " << threads;
        }
    }
}

TEST(ParallelFor, UsesNoMoreThreadsThanAskedAndOnlyOneForASingleThread) {
    std::mutex lock;
    std::set<std::thread::id> seen;
    auto note = [&](size_t) {
        std::lock_guard<std::mutex> hold(lock);
        seen.insert(std::this_thread::get_id());
    };
    parallel_for(200, 1, note);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(*seen.begin(), std::this_thread::get_id());
    seen.clear();
    parallel_for(2000, 3, note);
    EXPECT_LE(seen.size(), 3u);
}

TEST(ParallelFor, AnExceptionOnAHelperThreadReachesTheCaller) {
    // A helper's item throws; the caller's items wait until one has, so the
    // exception surely comes from a helper (one escaping there would end the
    // test process).
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> thrown{false};
    EXPECT_THROW(parallel_for(1000, 4,
                              [&](size_t) {
                                  if (std::this_thread::get_id() != caller) {
                                      thrown = true;
                                      throw std::bad_alloc();
                                  }
                                  for (int ms = 0; ms < 10000 && !thrown; ++ms)
                                      std::this_thread::sleep_for(std::chrono::milliseconds(1));
                              }),
                 std::bad_alloc);
    // The items after a failed one are not started.
    size_t runs = 0;
    EXPECT_THROW(parallel_for(100, 1,
                              [&](size_t i) {
                                  ++runs;
                                  if (i == 10) throw std::bad_alloc();
                              }),
                 std::bad_alloc);
    EXPECT_EQ(runs, 11u);
}

}  // namespace
}  // namespace yq
