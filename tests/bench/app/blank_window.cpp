// The floor for start-up time: a popup window of the program's size that
// paints one colour, with the same title so the same search finds it.
#include <windows.h>

#include "base/version.h"

static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        HBRUSH b = CreateSolidBrush(RGB(48, 80, 127));
        FillRect(dc, &ps.rcPaint, b);
        DeleteObject(b);
        EndPaint(w, &ps);
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = "YqBlank";
    RegisterClassA(&wc);
    HWND w = CreateWindowExA(0, "YqBlank", yq::kProgramTitle, WS_POPUP | WS_VISIBLE, 100, 100, 744, 620,
                             nullptr, nullptr, instance, nullptr);
    UpdateWindow(w);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
