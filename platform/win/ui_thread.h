// Hand-over from worker threads to the UI thread. A worker never touches a
// window itself: it calls run_on_ui, which sends the work to a hidden message
// window owned by the UI thread and waits until it has run. Updates therefore
// take effect in the order issued, as if made on the UI thread.
#pragma once

#include <functional>

namespace yq::win {

// Creates the hidden message window; call once on the UI thread.
void init_ui_thread();

// Runs fn on the UI thread and returns when it has run. On the UI thread
// itself fn runs at once.
void run_on_ui(const std::function<void()>& fn);

bool on_ui_thread();

}  // namespace yq::win
