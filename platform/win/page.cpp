// The page window: a background colour, and the routing of its children's commands and
// notifications.
#include "platform/win/controls.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/win/control_parts.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace detail {

// --- page ------------------------------------------------------------------------
struct PageState {
    UniqueBrush background;
};

LRESULT CALLBACK page_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    PageState* s = attach_state<PageState>(w, msg);
    switch (msg) {
        case WM_COMMAND:
            if (route_command(wp, lp)) return 0;
            break;
        case WM_NOTIFY:
            if (route_notify(lp)) return 0;
            break;
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(w, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, s->background.get());
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(s->background.get());
        case WM_PARENTNOTIFY:
            // A child going: its routing entries go with it, so that a later
            // window given the same handle never receives its events.
            if (LOWORD(wp) == WM_DESTROY) forget_handlers(reinterpret_cast<HWND>(lp));
            break;
        case WM_DESTROY:
            forget_handlers(w);
            break;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace detail

using namespace detail;

HWND create_page(HWND parent, int x, int y, int w, int h, COLORREF background) {
    HWND page = create_child(kPageClass, "", WS_CLIPCHILDREN, parent, 0, x, y, w, h);
    if (page) state_of<PageState>(page)->background.reset(CreateSolidBrush(background));
    return page;
}

}  // namespace yq::win
