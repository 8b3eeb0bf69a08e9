// Process entry of yanqing.exe: takes no arguments, reads no environment.
#include <cstdio>

#include "app/win/main_window.h"
#include "platform/win/gdiplus.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
    ULONG_PTR graphics_token = 0;        // kept: GDI+ is never shut down
    Gdiplus::GdiplusStartup(&graphics_token, &input, nullptr);
    // The UI thread is a single-threaded apartment: the hosted web browser
    // control lives on it.
    OleInitialize(nullptr);
    HWND main = yq::create_main_window(instance);
    if (!main) {
        // No window means no display or no resources: say why where a log can see it.
        std::fprintf(stderr, "yanqing: the main window could not be created (error %lu)\n",
                     GetLastError());
        return 1;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (yq::handle_main_window_key(main, msg)) continue;
        if (!IsDialogMessageA(main, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
