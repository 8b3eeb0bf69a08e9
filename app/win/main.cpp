// Process entry of yanqing.exe: takes no arguments, reads no environment.
#include <windows.h>
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdlib>

#include "app/win/app_state.h"
#include "app/win/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::atexit([] { yq::exit_cleanup(); });
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
    Gdiplus::GdiplusStartup(&yq::g_app.graphics_token, &input, nullptr);
    if (!yq::create_main_window(instance)) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(yq::g_app.main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
