#include "fonts/win/font_tooltip.h"

#include <commctrl.h>

namespace yq {
namespace {

constexpr UINT_PTR kToolId = 1;
constexpr int kMaxTipWidth = 640;  // wide enough for a long path on one line

HWND g_tip = nullptr;
HWND g_grid = nullptr;  // the grid the tool was last registered on

TOOLINFOA tool_of(HWND grid, const char* text) {
    TOOLINFOA t{};
    t.cbSize = sizeof t;
    t.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    t.hwnd = grid;
    t.uId = kToolId;
    t.lpszText = const_cast<char*>(text);
    return t;
}

// One tooltip window for the process, made at the first hover; the tool is
// moved to whichever grid asks.
bool ensure_tip(HWND grid) {
    if (!g_tip) {
        g_tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                GetAncestor(grid, GA_ROOT), nullptr, GetModuleHandleA(nullptr),
                                nullptr);
        if (!g_tip) return false;
        SendMessageA(g_tip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    }
    if (g_grid != grid) {
        if (g_grid) {
            TOOLINFOA old = tool_of(g_grid, nullptr);
            SendMessageA(g_tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&old));
        }
        TOOLINFOA t = tool_of(grid, const_cast<char*>(""));
        SendMessageA(g_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&t));
        g_grid = grid;
    }
    return true;
}

}  // namespace

void show_font_tooltip(HWND grid, const std::string& text) {
    if (!ensure_tip(grid)) return;
    TOOLINFOA t = tool_of(grid, text.c_str());
    SendMessageA(g_tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&t));
    SetWindowTextA(g_tip, text.c_str());
    POINT at;
    GetCursorPos(&at);
    // Below and right of the pointer, clear of the cursor's own picture.
    SendMessageA(g_tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x + 12, at.y + 20));
    SendMessageA(g_tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&t));
}

void hide_font_tooltip() {
    if (!g_tip || !g_grid) return;
    TOOLINFOA t = tool_of(g_grid, nullptr);
    SendMessageA(g_tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&t));
}

}  // namespace yq
