// The one hand-over from workers to the UI thread, under Wine (headless: it
// is a message-only window).
#include "platform/win/ui_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>
#include <vector>

namespace yq {
namespace {

// Runs `work` on a worker while this thread reads its messages, as the UI
// thread's message loop does.
void on_worker_while_pumping(const std::function<void()>& work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    while (!done) {
        win::pump_pending_messages();
        Sleep(1);
    }
    worker.join();
}

TEST(UiThread, RunsWorkOnTheUiThreadInOrderAndRefusesWithoutItsWindow) {
    // No hand-over window yet: the work is refused, never run on the worker.
    bool ran = false, accepted = true;
    std::thread early([&] { accepted = win::run_on_ui([&] { ran = true; }); });
    early.join();
    EXPECT_FALSE(accepted);
    EXPECT_FALSE(ran);

    win::init_ui_thread();
    const DWORD ui = GetCurrentThreadId();
    std::vector<int> order;
    std::vector<DWORD> threads;
    on_worker_while_pumping([&] {
        for (int i = 0; i < 3; ++i) {
            EXPECT_TRUE(win::run_on_ui([&, i] {
                order.push_back(i);
                threads.push_back(GetCurrentThreadId());
            }));
        }
    });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (DWORD t : threads) EXPECT_EQ(t, ui);
    // On the UI thread itself the work runs at once.
    bool direct = false;
    EXPECT_TRUE(win::run_on_ui([&] { direct = true; }));
    EXPECT_TRUE(direct);
    // What the work throws on the UI thread reaches the worker that handed
    // it over, never the UI thread's window procedure.
    bool caught = false;
    on_worker_while_pumping([&] {
        try {
            win::run_on_ui([] { throw std::bad_alloc(); });
        } catch (const std::bad_alloc&) {
            caught = true;
        }
    });
    EXPECT_TRUE(caught);
    EXPECT_TRUE(win::run_on_ui([] {}));
}

}  // namespace
}  // namespace yq
