// Hand-over from worker threads to the UI thread. A worker never touches a
// window itself: it calls run_on_ui, which sends the work to a hidden message
// window owned by the UI thread and waits until it has run. Updates therefore
// take effect in the order issued, as if made on the UI thread.
//
// kRunOnUiMessage is the program's one private message for this; nothing
// else declares or sends it.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/win/messages.h"

namespace yq::win {

// The hand-over is kRunOnUiMessage (messages.h).

// Creates the hidden message window; call once on the UI thread.
void init_ui_thread();

// Runs fn on the UI thread and returns when it has run; on the UI thread
// itself fn runs at once. When there is no UI thread window (never made, or
// gone) fn is not run: a debug build stops at an assertion, a release
// build reports it on stderr, and the result is false. An exception fn
// throws on the UI thread is thrown again here, on the worker, whose guard
// (base/worker_guard.h) reports it.
bool run_on_ui(const std::function<void()>& fn);

// Queues fn to run on the UI thread once the thread that called is done
// with the message in hand (also from the UI thread itself), and returns at
// once: what an OLE call from another process must do so as not to hold
// the caller while the work runs. False, fn dropped, when there is no
// hand-over window or the queue is full.
bool post_on_ui(std::function<void()> fn);

bool on_ui_thread();

// Whether the program has its UI thread (init_ui_thread has run): the
// Win32 layer's own tests run without one.
bool has_ui_thread();

// Dispatches the calling (UI) thread's pending messages and returns: a long
// operation on the UI thread calls it after each item so that the window
// stays usable. A WM_QUIT met is posted again for the message loop.
void pump_pending_messages();

// The same for an operation of many short items: input and hand-overs are
// dispatched at every call, but repainting at most every kRepaintMs, so
// that a progress caption changed after each item does not cost a paint
// of its label each time. The last state is painted when the operation
// ends and the message loop runs again.
inline constexpr unsigned kRepaintMs = 30;
class MessagePump {
  public:
    // Whether the next after_item() repaints.
    bool repaint_due() const { return GetTickCount() - last_paint_ >= kRepaintMs; }
    void after_item();

  private:
    unsigned last_paint_ = 0;
};

}  // namespace yq::win
