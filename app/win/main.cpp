// Process entry of yanqing.exe: takes no arguments, reads no environment.
#include <windows.h>
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>

#include "app/win/app_state.h"
#include "app/win/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::atexit([] { yq::exit_cleanup(); });
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
    Gdiplus::GdiplusStartup(&yq::g_app.graphics_token, &input, nullptr);
    if (!yq::create_main_window(instance)) {
        // No window means no display or no resources: say why where a log can see it.
        std::fprintf(stderr, "yanqing: the main window could not be created (error %lu)\n",
                     GetLastError());
        return 1;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(yq::g_app.main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
