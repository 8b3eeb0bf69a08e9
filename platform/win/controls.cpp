#include "platform/win/controls.h"

#include <commctrl.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/win/control_parts.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace {

std::map<HWND, std::function<void(int)>> g_command_handlers;
std::map<HWND, std::function<void(int)>> g_notify_handlers;

}  // namespace

namespace detail {

void forget_handlers(HWND w) {
    g_command_handlers.erase(w);
    g_notify_handlers.erase(w);
}

HWND create_child(const char* cls, const char* text, DWORD style, HWND parent, int id, int x, int y,
                  int w, int h, void* param, DWORD ex_style) {
    HWND c = CreateWindowExA(ex_style, cls, text, WS_CHILD | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                             param);
    if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(ui_font()), FALSE);
    return c;
}

}  // namespace detail

using namespace detail;

void register_control_classes(HINSTANCE instance) {
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    constexpr UINT kRedrawWhole = CS_HREDRAW | CS_VREDRAW;
    register_window_class(instance, kPageClass, page_proc, arrow, nullptr, kRedrawWhole);
    register_window_class(instance, kButtonClass, button_proc, LoadCursor(nullptr, IDC_HAND),
                          nullptr, kRedrawWhole);
    register_window_class(instance, kLabelClass, label_proc, arrow, nullptr, kRedrawWhole);
    register_window_class(instance, kPanelClass, panel_proc, arrow, nullptr, kRedrawWhole);
}

void register_window_class(HINSTANCE instance, const char* name, WNDPROC proc, HCURSOR cursor,
                           HBRUSH background, UINT style, HICON icon) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = cursor;
    wc.hIcon = icon;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
}

bool track_mouse_leave(HWND w, DWORD hover_ms) {
    TRACKMOUSEEVENT t{};
    t.cbSize = sizeof t;
    t.dwFlags = TME_LEAVE | (hover_ms ? TME_HOVER : 0);
    t.hwndTrack = w;
    t.dwHoverTime = hover_ms;
    return TrackMouseEvent(&t) != FALSE;
}

HFONT ui_font() {
    static HFONT font = make_font({"宋体", -12});
    return font;
}

void on_command(HWND control, std::function<void(int)> handler) {
    g_command_handlers[control] = std::move(handler);
}
void on_notify(HWND control, std::function<void(int)> handler) {
    g_notify_handlers[control] = std::move(handler);
}

bool route_command(WPARAM wp, LPARAM lp) {
    auto it = g_command_handlers.find(reinterpret_cast<HWND>(lp));
    if (it == g_command_handlers.end() || !lp) return false;
    auto handler = it->second;
    handler(HIWORD(wp));
    return true;
}

bool route_notify(LPARAM lp) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    auto it = g_notify_handlers.find(hdr->hwndFrom);
    if (it == g_notify_handlers.end()) return false;
    auto handler = it->second;
    handler(static_cast<int>(hdr->code));
    return true;
}

void set_caption(HWND control, const std::string& text) {
    SetWindowTextA(control, text.c_str());
}

std::string caption(HWND control) {
    int n = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(control, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

HWND create_check_box(HWND parent, int id, int x, int y, int w, int h, const char* caption) {
    return create_child("BUTTON", caption, BS_AUTOCHECKBOX | WS_TABSTOP, parent, id, x, y, w, h);
}

HWND create_edit(HWND parent, int id, int x, int y, int w, int h, const char* text) {
    return create_child("EDIT", text, ES_AUTOHSCROLL | WS_TABSTOP, parent, id, x, y, w, h);
}

HWND create_group_box(HWND parent, int id, int x, int y, int w, int h, const char* caption) {
    return create_child("BUTTON", caption, BS_GROUPBOX | WS_CLIPCHILDREN, parent, id, x, y, w, h);
}

HWND create_tab_strip(HWND parent, int id, int x, int y, int w, int h,
                      std::initializer_list<const char*> captions) {
    HWND tab =
        create_child(WC_TABCONTROLA, "", WS_CLIPSIBLINGS | TCS_FIXEDWIDTH, parent, id, x, y, w, h);
    // Tabs share the strip's width equally, so every caption fits without arrows.
    int count = static_cast<int>(captions.size());
    if (count > 0) SendMessageA(tab, TCM_SETITEMSIZE, 0, MAKELPARAM(w / count - 6, h - 6));
    int i = 0;
    for (const char* c : captions) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(c);
        SendMessageA(tab, TCM_INSERTITEMA, i++, reinterpret_cast<LPARAM>(&item));
    }
    return tab;
}

}  // namespace yq::win
