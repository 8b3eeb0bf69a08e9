#include "platform/win/ui_thread.h"

#include <cassert>
#include <cstdio>
#include <exception>
#include <memory>

#include "platform/win/controls.h"

namespace yq::win {
namespace {

HWND g_window = nullptr;
DWORD g_ui_thread = 0;

// wParam of a hand-over that was posted, not sent.
constexpr WPARAM kPosted = 1;

// One hand-over: the work, and what it threw. An exception must not cross
// the window procedure; it is carried back to the waiting worker instead.
struct HandOver {
    const std::function<void()>* work;
    std::exception_ptr thrown;
};

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRunOnUiMessage && wp == kPosted) {
        // Posted work is the message's own: run once, then freed. Nobody
        // waits for it, so what it throws is reported here.
        std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lp));
        try {
            (*work)();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "yanqing: posted work failed: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "yanqing: posted work failed\n");
        }
        return 0;
    }
    if (msg == kRunOnUiMessage) {
        auto* h = reinterpret_cast<HandOver*>(lp);
        try {
            (*h->work)();
        } catch (...) {
            h->thrown = std::current_exception();
        }
        return 0;
    }
    if (msg == WM_NCDESTROY) g_window = nullptr;
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

void init_ui_thread() {
    if (g_window) return;
    constexpr char kClass[] = "YqUiThread";
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    register_window_class(instance, kClass, proc, nullptr);
    g_window =
        CreateWindowExA(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    g_ui_thread = GetCurrentThreadId();
}

bool has_ui_thread() {
    return g_ui_thread != 0;
}

bool on_ui_thread() {
    return g_ui_thread != 0 && GetCurrentThreadId() == g_ui_thread;
}

void pump_pending_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void MessagePump::after_item() {
    const unsigned now = GetTickCount();
    if (now - last_paint_ >= kRepaintMs) {
        last_paint_ = now;
        pump_pending_messages();
        return;
    }
    // Asking for a message that is not there costs a round trip to the
    // wineserver under Wine, as much as a small file operation: ask once
    // whether anything but a repaint waits.
    if ((HIWORD(GetQueueStatus(QS_ALLINPUT)) & ~QS_PAINT) == 0) return;
    // Everything but WM_PAINT, which Windows makes only when asked for it.
    MSG msg;
    for (auto [first, last] :
         {std::pair<UINT, UINT>{0, WM_PAINT - 1}, {WM_PAINT + 1, 0xFFFFFFFF}}) {
        while (PeekMessageA(&msg, nullptr, first, last, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool run_on_ui(const std::function<void()>& fn) {
    if (on_ui_thread()) {
        fn();
        return true;
    }
    HWND window = g_window;
    if (!window || !IsWindow(window)) {
        // Running the work here instead would touch windows from a worker.
        assert(!"run_on_ui: the UI thread has no hand-over window");
        std::fprintf(stderr, "yanqing: work for the UI thread dropped: no hand-over window\n");
        return false;
    }
    HandOver h{&fn, nullptr};
    SendMessageA(window, kRunOnUiMessage, 0, reinterpret_cast<LPARAM>(&h));
    if (h.thrown) std::rethrow_exception(h.thrown);
    return true;
}

bool post_on_ui(std::function<void()> fn) {
    HWND window = g_window;
    if (!window) return false;
    auto* work = new std::function<void()>(std::move(fn));
    if (PostMessageA(window, kRunOnUiMessage, kPosted, reinterpret_cast<LPARAM>(work))) return true;
    delete work;
    return false;
}

}  // namespace yq::win
