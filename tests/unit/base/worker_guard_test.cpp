#include "base/worker_guard.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <thread>

namespace yq {
namespace {

TEST(WorkerGuard, AnEscapingExceptionBecomesOneFailureReportAndNothingElseEscapes) {
    int reports = 0;
    EXPECT_TRUE(run_guarded(
        "work", [] {}, [&] { ++reports; }));
    EXPECT_EQ(reports, 0);
    EXPECT_FALSE(run_guarded(
        "work", [] { throw std::bad_alloc(); }, [&] { ++reports; }));
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(run_guarded(
        "work", [] { throw 42; }, [&] { ++reports; }));
    EXPECT_EQ(reports, 2);
    // A report that fails itself is dropped too: on a thread of its own,
    // anything escaping would end the test process.
    bool finished = false;
    std::thread worker([&] {
        finished = !run_guarded(
            "work", [] { throw std::runtime_error("no"); }, [] { throw std::bad_alloc(); });
    });
    worker.join();
    EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace yq
