// The start-up background work: a worker started as the very last step of
// main window creation. It touches no window itself; every window update
// goes through win::run_on_ui, in the order issued.
#pragma once

namespace yq {

struct Pages;

// Starts the start-up background work on its own thread (nobody waits for
// it); it fills `pages` (owned by the main window, which outlives it).
void start_background_work(Pages& pages);

}  // namespace yq
