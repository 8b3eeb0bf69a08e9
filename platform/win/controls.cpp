#include "platform/win/controls.h"

#include <commctrl.h>

#include <cstring>
#include <map>
#include <memory>

#include "platform/win/handles.h"

namespace yq::win {
namespace {

const char kPageClass[] = "YqPage";
const char kButtonClass[] = "YqPictureButton";
const char kLabelClass[] = "YqLabel";
const char kPanelClass[] = "YqPanel";

std::map<HWND, std::function<void(int)>> g_command_handlers;
std::map<HWND, std::function<void(int)>> g_notify_handlers;

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

void forget_handlers(HWND w) {
    g_command_handlers.erase(w);
    g_notify_handlers.erase(w);
}

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


HWND create_child(const char* cls, const char* text, DWORD style, HWND parent, int id, int x, int y,
                  int w, int h, void* param = nullptr, DWORD ex_style = 0) {
    HWND c = CreateWindowExA(ex_style, cls, text, WS_CHILD | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)),
                             param);
    if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(ui_font()), FALSE);
    return c;
}

}  // namespace

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

HWND create_page(HWND parent, int x, int y, int w, int h, COLORREF background) {
    HWND page = create_child(kPageClass, "", WS_CLIPCHILDREN, parent, 0, x, y, w, h);
    if (page) state_of<PageState>(page)->background.reset(CreateSolidBrush(background));
    return page;
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

HWND create_label(HWND parent, int id, int x, int y, int w, int h, const char* caption) {
    return create_child(kLabelClass, caption, 0, parent, id, x, y, w, h);
}

void set_label_picture(HWND label, HBITMAP picture) {
    if (auto* s = state_of<LabelState>(label)) {
        s->picture = picture;
        InvalidateRect(label, nullptr, TRUE);
    }
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
