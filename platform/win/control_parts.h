// What the program's own controls (controls.h) share inside platform/win,
// each control kind in a file of its own: their state kept in
// GWLP_USERDATA, their class names and window procedures, the maker of a
// child window and the clean-up of the command routing. Nothing outside
// platform/win includes this.
#pragma once

#include <windows.h>

namespace yq::win::detail {

inline constexpr char kPageClass[] = "YqPage";
inline constexpr char kButtonClass[] = "YqPictureButton";
inline constexpr char kLabelClass[] = "YqLabel";
inline constexpr char kPanelClass[] = "YqPanel";

template <typename State>
State* state_of(HWND w) {
    return reinterpret_cast<State*>(GetWindowLongPtrA(w, GWLP_USERDATA));
}

// Creates State at WM_NCCREATE and deletes it at WM_NCDESTROY.
template <typename State>
State* attach_state(HWND w, UINT msg) {
    if (msg == WM_NCCREATE) {
        auto* s = new State();
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
        return s;
    }
    State* s = state_of<State>(w);
    if (msg == WM_NCDESTROY && s) {
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        delete s;
        return nullptr;
    }
    return s;
}

// The routing entries of a control go when it does, so that a later window
// given the same handle never receives its events.
void forget_handlers(HWND w);

// A child window of a class, in the controls' font (ui_font).
HWND create_child(const char* cls, const char* text, DWORD style, HWND parent, int id, int x, int y,
                  int w, int h, void* param = nullptr, DWORD ex_style = 0);

LRESULT CALLBACK page_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK button_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK label_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK panel_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace yq::win::detail
