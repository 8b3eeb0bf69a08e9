// Process entry of yanqing.exe: takes no arguments, reads no environment.
#include <cstdio>
#include <cstdlib>

#include "app/win/main_window.h"
#include "platform/win/gdiplus.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::atexit([] { yq::exit_cleanup(); });
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback
    ULONG_PTR graphics_token = 0;        // kept: GDI+ is never shut down
    Gdiplus::GdiplusStartup(&graphics_token, &input, nullptr);
    // The UI thread is a single-threaded apartment: the hosted web browser
    // control lives on it.
    OleInitialize(nullptr);
    if (!yq::create_main_window(instance)) {
        // No window means no display or no resources: say why where a log can see it.
        std::fprintf(stderr, "yanqing: the main window could not be created (error %lu)\n",
                     GetLastError());
        return 1;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (yq::handle_main_window_key(msg)) continue;
        if (!IsDialogMessageA(yq::main_window(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
