#include "platform/win/ui_thread.h"

#include <windows.h>

namespace yq::win {
namespace {

constexpr UINT kRunMessage = WM_APP + 0x75;
HWND g_window = nullptr;
DWORD g_ui_thread = 0;

LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRunMessage) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

void init_ui_thread() {
    if (g_window) return;
    WNDCLASSEXA wc{sizeof wc};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "YqUiThread";
    RegisterClassExA(&wc);
    g_window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    g_ui_thread = GetCurrentThreadId();
}

bool on_ui_thread() {
    return GetCurrentThreadId() == g_ui_thread;
}

void run_on_ui(const std::function<void()>& fn) {
    if (!g_window || on_ui_thread()) {
        fn();
        return;
    }
    SendMessageA(g_window, kRunMessage, 0, reinterpret_cast<LPARAM>(&fn));
}

}  // namespace yq::win
