// The label: a caption or a picture.
#include "platform/win/controls.h"

#include <cstring>
#include <functional>
#include <memory>

#include "platform/win/control_parts.h"
#include "platform/win/handles.h"

namespace yq::win {
namespace detail {

// --- label ---------------------------------------------------------------------------
struct LabelState {
    HBITMAP picture = nullptr;
};

void paint_label(HWND w, LabelState* s, HDC dc) {
    RECT r;
    GetClientRect(w, &r);
    char buffer[1024];
    int n = GetWindowTextA(w, buffer, sizeof buffer);
    const char* text = buffer;
    if (s->picture) {
        // Beside a face picture, line breaks in front of a caption (which
        // would push it out of the label) are not drawn.
        while (n > 0 && (*text == '\r' || *text == '\n')) ++text, --n;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    Selected font(dc, ui_font());
    RECT tr = r;
    if (s->picture) {
        BITMAP bm{};
        GetObjectA(s->picture, sizeof bm, &bm);
        UniqueMemDc mem(CreateCompatibleDC(dc));
        Selected sel(mem.get(), s->picture);
        int y = (r.bottom - bm.bmHeight) / 2;
        TransparentBlt(dc, 4, y, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight,
                       RGB(255, 0, 255));
        tr.left = bm.bmWidth + 12;
        RECT calc = tr;
        DrawTextA(dc, text, n, &calc, DT_WORDBREAK | DT_CALCRECT);
        int h = calc.bottom - calc.top;
        tr.top = h < r.bottom ? (r.bottom - h) / 2 : 0;
    }
    // Plain one-line captions sit centred in their height; captions with line
    // breaks or beside a picture wrap.
    bool one_line = !s->picture && !std::memchr(text, '\n', n);
    DrawTextA(dc, text, n, &tr,
              DT_NOPREFIX | (one_line ? DT_SINGLELINE | DT_VCENTER : DT_WORDBREAK));
}

LRESULT CALLBACK label_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    LabelState* s = attach_state<LabelState>(w, msg);
    switch (msg) {
        case kLabelPictureSizeMessage: {
            BITMAP bm{};
            if (!s || !s->picture || !GetObjectA(s->picture, sizeof bm, &bm)) return 0;
            return MAKELONG(bm.bmWidth, bm.bmHeight);
        }
        case WM_PAINT: {
            PaintDc paint(w);
            paint_label(w, s, paint.get());
            return 0;
        }
        case WM_ERASEBKGND: {
            // Transparent: let the parent paint what lies behind.
            HWND parent = GetParent(w);
            HDC dc = reinterpret_cast<HDC>(wp);
            POINT origin{0, 0};
            MapWindowPoints(w, parent, &origin, 1);
            POINT old;
            OffsetWindowOrgEx(dc, origin.x, origin.y, &old);
            SendMessageA(parent, WM_ERASEBKGND, wp, 0);
            SetWindowOrgEx(dc, old.x, old.y, nullptr);
            return 1;
        }
        case WM_SETTEXT: {
            LRESULT r = DefWindowProcA(w, msg, wp, lp);
            InvalidateRect(w, nullptr, TRUE);
            return r;
        }
        case WM_NCHITTEST:
            return HTTRANSPARENT;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace detail

using namespace detail;

HWND create_label(HWND parent, int id, int x, int y, int w, int h, const char* caption) {
    return create_child(kLabelClass, caption, 0, parent, id, x, y, w, h);
}

void set_label_picture(HWND label, HBITMAP picture) {
    if (auto* s = state_of<LabelState>(label)) {
        s->picture = picture;
        InvalidateRect(label, nullptr, TRUE);
    }
}

}  // namespace yq::win
