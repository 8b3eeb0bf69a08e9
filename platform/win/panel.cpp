// The drawing panel: an off-screen buffer shown as it is, and mouse events.
#include "platform/win/controls.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/win/control_parts.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace detail {

// --- drawing panel -----------------------------------------------------------------
struct PanelState {
    UniqueMemDc dc;
    UniqueBitmap bitmap;
    HGDIOBJ old_bitmap = nullptr;
    SIZE size{0, 0};
    COLORREF background = RGB(255, 255, 255);
    bool tracking = false;
    std::function<void(MouseEvent, int, int)> mouse;
};

LRESULT CALLBACK panel_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    PanelState* s = attach_state<PanelState>(w, msg);
    auto mouse = [&](MouseEvent e) {
        if (s->mouse) {
            auto handler = s->mouse;
            handler(e, static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        }
    };
    switch (msg) {
        case WM_CREATE: {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            s->size = {cs->cx, cs->cy};
            WindowDc screen(nullptr);
            s->dc.reset(CreateCompatibleDC(screen.get()));
            s->bitmap.reset(CreateCompatibleBitmap(screen.get(), cs->cx, cs->cy));
            s->old_bitmap = SelectObject(s->dc.get(), s->bitmap.get());
            s->background = static_cast<COLORREF>(reinterpret_cast<UINT_PTR>(cs->lpCreateParams));
            panel_clear(w);
            return 0;
        }
        case WM_DESTROY:
            if (s->old_bitmap) SelectObject(s->dc.get(), s->old_bitmap);
            break;
        case WM_PAINT: {
            PaintDc paint(w);
            BitBlt(paint.get(), 0, 0, s->size.cx, s->size.cy, s->dc.get(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (!s->tracking) {
                s->tracking = track_mouse_leave(w);
            }
            mouse(MouseEvent::Move);
            return 0;
        case WM_MOUSELEAVE:
            s->tracking = false;
            mouse(MouseEvent::Leave);
            return 0;
        case WM_LBUTTONDOWN:
            mouse(MouseEvent::LeftDown);
            return 0;
        case WM_LBUTTONUP:
            mouse(MouseEvent::LeftUp);
            return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace detail

using namespace detail;

HWND create_panel(HWND parent, int id, int x, int y, int w, int h, COLORREF background) {
    // Controls laid over a panel (the list's preview buttons) stay visible
    // when the panel repaints.
    return create_child(kPanelClass, "", WS_CLIPSIBLINGS, parent, id, x, y, w, h,
                        reinterpret_cast<void*>(static_cast<UINT_PTR>(background)));
}

HDC panel_dc(HWND panel) {
    auto* s = state_of<PanelState>(panel);
    return s ? s->dc.get() : nullptr;
}

SIZE panel_size(HWND panel) {
    auto* s = state_of<PanelState>(panel);
    return s ? s->size : SIZE{0, 0};
}

void panel_clear(HWND panel) {
    auto* s = state_of<PanelState>(panel);
    if (!s || !s->dc) return;
    RECT r{0, 0, s->size.cx, s->size.cy};
    UniqueBrush b(CreateSolidBrush(s->background));
    FillRect(s->dc.get(), &r, b.get());
    InvalidateRect(panel, nullptr, FALSE);
}

void panel_present(HWND panel) {
    InvalidateRect(panel, nullptr, FALSE);
}

void on_panel_mouse(HWND panel, std::function<void(MouseEvent, int, int)> handler) {
    if (auto* s = state_of<PanelState>(panel)) s->mouse = std::move(handler);
}

}  // namespace yq::win
