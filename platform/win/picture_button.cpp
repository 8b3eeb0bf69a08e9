// The picture button: four faces (normal, hover, pressed, disabled) and a click handler.
#include "platform/win/controls.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/win/control_parts.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace detail {

// --- picture button ---------------------------------------------------------------
struct ButtonState {
    ButtonFaces faces;
    bool hover = false, pressed = false;
    std::function<void()> click;
};

void paint_button(HWND w, ButtonState* s, HDC dc) {
    RECT r;
    GetClientRect(w, &r);
    bool enabled = IsWindowEnabled(w);
    HBITMAP face = !enabled && s->faces.disabled                ? s->faces.disabled
                   : s->pressed && s->faces.pressed             ? s->faces.pressed
                   : (s->hover || s->pressed) && s->faces.hover ? s->faces.hover
                                                                : s->faces.normal;
    if (!face) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    UniqueMemDc mem(CreateCompatibleDC(dc));
    Selected sel(mem.get(), face);
    BITMAP bm{};
    GetObjectA(face, sizeof bm, &bm);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, 0, 0, r.right, r.bottom, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    if (!enabled && !s->faces.disabled) {
        // Grey the normal face: blend it half-way to light grey.
        BLENDFUNCTION bf{AC_SRC_OVER, 0, 128, 0};
        UniqueMemDc grey(CreateCompatibleDC(dc));
        UniqueBitmap gb(CreateCompatibleBitmap(dc, 1, 1));
        Selected gs(grey.get(), gb.get());
        SetPixel(grey.get(), 0, 0, RGB(230, 230, 230));
        AlphaBlend(dc, 0, 0, r.right, r.bottom, grey.get(), 0, 0, 1, 1, bf);
    }
}

LRESULT CALLBACK button_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    ButtonState* s = attach_state<ButtonState>(w, msg);
    switch (msg) {
        case WM_PAINT: {
            PaintDc paint(w);
            paint_button(w, s, paint.get());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (!s->hover) {
                s->hover = true;
                track_mouse_leave(w);
                InvalidateRect(w, nullptr, FALSE);
            }
            return 0;
        case WM_MOUSELEAVE:
            s->hover = false;
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            s->pressed = true;
            SetCapture(w);
            InvalidateRect(w, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            bool was = s->pressed;
            s->pressed = false;
            ReleaseCapture();
            InvalidateRect(w, nullptr, FALSE);
            RECT r;
            GetClientRect(w, &r);
            POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (was && PtInRect(&r, p) && s->click) {
                auto click = s->click;  // the handler may replace it
                click();
            }
            return 0;
        }
        case WM_ENABLE:
            InvalidateRect(w, nullptr, FALSE);
            return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace detail

using namespace detail;

HWND create_picture_button(HWND parent, int id, int x, int y, int w, int h, const char* caption) {
    return create_child(kButtonClass, caption, 0, parent, id, x, y, w, h);
}

void set_button_faces(HWND button, const ButtonFaces& faces) {
    if (auto* s = state_of<ButtonState>(button)) {
        s->faces = faces;
        InvalidateRect(button, nullptr, FALSE);
    }
}

void on_click(HWND button, std::function<void()> handler) {
    if (auto* s = state_of<ButtonState>(button)) s->click = std::move(handler);
}

}  // namespace yq::win
