#include "skin/win/frame.h"

#include <windowsx.h>

#include <cstdlib>
#include <cstring>

#include "app/win/app_state.h"
#include "app/win/main_window.h"
#include "app/win/settings.h"
#include "base/text.h"
#include "catalogue/win/status_line.h"
#include "platform/win/handles.h"

namespace yq {
namespace {

constexpr char kTitle[] = "砚青3.6";
constexpr COLORREF kContentBackground = 0xECECEC;

HFONT frame_font() {
    static HFONT f = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0,
                                 DEFAULT_QUALITY, 0, "宋体");
    return f;
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    win::UniqueBrush br(CreateSolidBrush(c));
    FillRect(dc, &rc, br.get());
}

bool inside(const RECT& r, int x, int y, int shrink_width = 0) {
    return x >= r.left && x <= r.right - shrink_width && y >= r.top && y <= r.bottom;
}

// Caption buttons 1..3: close, maximise (inert), minimise, each a drawn glyph.
void draw_caption_button(HDC dc, int k) {
    const CaptionButton& b = g_app.caption_buttons[k];
    RECT r = b.rect;
    if (b.state) {
        COLORREF c = k == 0 ? RGB(224, 67, 67) : RGB(255, 255, 255);
        win::UniqueBrush br(CreateSolidBrush(c));
        FillRect(dc, &r, br.get());
    }
    COLORREF ink = b.state && k != 0 ? g_app.skin.frame_colour : RGB(255, 255, 255);
    win::UniquePen pen(CreatePen(PS_SOLID, 2, ink));
    win::Selected sp(dc, pen.get());
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    switch (k) {
        case 0:
            MoveToEx(dc, cx - 4, cy - 4, nullptr);
            LineTo(dc, cx + 4, cy + 4);
            MoveToEx(dc, cx + 4, cy - 4, nullptr);
            LineTo(dc, cx - 4, cy + 4);
            break;
        case 1: {
            win::Selected sb(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, cx - 5, cy - 4, cx + 5, cy + 5);
            break;
        }
        case 2:
            MoveToEx(dc, cx - 5, cy + 3, nullptr);
            LineTo(dc, cx + 5, cy + 3);
            break;
        case 3:
            for (int i = -3; i <= 3; i += 3) {
                MoveToEx(dc, cx - 5, cy + i, nullptr);
                LineTo(dc, cx + 5, cy + i);
            }
            break;
        case 4: {
            win::Selected sb(dc, GetStockObject(NULL_BRUSH));
            RoundRect(dc, cx - 6, cy - 5, cx + 6, cy + 3, 4, 4);
            MoveToEx(dc, cx - 2, cy + 3, nullptr);
            LineTo(dc, cx - 4, cy + 6);
            break;
        }
    }
}

// A page tab: a backdrop when hovered or selected, an icon glyph, the caption.
void draw_tab(HDC dc, int k) {
    const SkinTab& t = g_app.tabs[k];
    if (t.state == 1 || t.state == 2) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, static_cast<BYTE>(t.state == 2 ? 110 : 50), 0};
        win::UniqueMemDc white(CreateCompatibleDC(dc));
        win::UniqueBitmap wb(CreateCompatibleBitmap(dc, 1, 1));
        win::Selected ws(white.get(), wb.get());
        SetPixel(white.get(), 0, 0, RGB(255, 255, 255));
        AlphaBlend(dc, t.rect.left + 1, 29, 74, 71, white.get(), 0, 0, 1, 1, bf);
    }
    static HFONT icon = CreateFontA(-30, 0, 0, 0, FW_BOLD, 0, 0, 0, GB2312_CHARSET, 0, 0,
                                    ANTIALIASED_QUALITY, 0, "宋体");
    SetTextColor(dc, g_app.skin.text_colour);
    {
        static const char* const kIcons[5] = {"下", "管", "我", "回", "备"};
        win::Selected f(dc, icon);
        RECT ir{t.rect.left, t.rect.top + 4, t.rect.right, t.rect.bottom};
        DrawTextA(dc, kIcons[k], 2, &ir, DT_CENTER | DT_TOP | DT_SINGLELINE);
    }
    win::Selected f(dc, frame_font());
    TextOutA(dc, static_cast<int>(t.caption_x), static_cast<int>(t.caption_y), t.caption,
             static_cast<int>(std::strlen(t.caption)));
}

void redraw_tabs(HWND w) {
    RECT band{0, 0, 0, 103};
    RECT wr;
    GetWindowRect(w, &wr);
    band.right = wr.right - wr.left;
    InvalidateRect(w, &band, FALSE);
}

COLORREF mix(COLORREF a, COLORREF b, int percent_b) {
    auto c = [&](int x, int y) { return (x * (100 - percent_b) + y * percent_b) / 100; };
    return RGB(c(GetRValue(a), GetRValue(b)), c(GetGValue(a), GetGValue(b)),
               c(GetBValue(a), GetBValue(b)));
}

// A header picture drawn in code: a soft vertical gradient in the picture's
// colour with a few light rings, 103 rows high.
void draw_header_picture(HDC dc, int W, int picture) {
    COLORREF base = header_picture_colour(picture);
    COLORREF top = mix(base, RGB(255, 255, 255), 35), bottom = mix(base, RGB(0, 0, 0), 10);
    TRIVERTEX v[2] = {
        {0, 0, static_cast<COLOR16>(GetRValue(top) << 8), static_cast<COLOR16>(GetGValue(top) << 8),
         static_cast<COLOR16>(GetBValue(top) << 8), 0},
        {W, 103, static_cast<COLOR16>(GetRValue(bottom) << 8),
         static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8),
         0}};
    GRADIENT_RECT gr{0, 1};
    GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
    win::UniquePen ring(CreatePen(PS_SOLID, 1, mix(base, RGB(255, 255, 255), 55)));
    win::Selected sp(dc, ring.get());
    win::Selected sb(dc, GetStockObject(NULL_BRUSH));
    // The rings stay right of the page tabs.
    HRGN clip = CreateRectRgn(420, 0, W, 103);
    SelectClipRgn(dc, clip);
    for (int i = 0; i < 4; ++i) {
        int r = 40 + 38 * i + 9 * picture, cx = W - 90 - 23 * picture, cy = 10 + 7 * i;
        Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    }
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
}

void paint_frame(HWND w, HDC target) {
    RECT wr;
    GetWindowRect(w, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top;
    win::UniqueMemDc dc(CreateCompatibleDC(target));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(target, W, H));
    win::Selected sel(dc.get(), bmp.get());
    COLORREF frame = g_app.skin.frame_colour;
    // Header: the picture in picture mode (skin 1 is always a flat colour),
    // otherwise the header colour.
    bool picture = g_app.skin.mode == 2 && g_app.skin.preset != 1 && g_app.skin.picture >= 0;
    if (picture) {
        draw_header_picture(dc.get(), W, g_app.skin.picture);
    } else if (g_app.skin.header_colour != 0 || g_app.skin.preset == 1) {
        fill(dc.get(), 0, 0, W, 103, g_app.skin.header_colour);
    }
    fill(dc.get(), 1, 103, 4, H, frame);
    fill(dc.get(), W - 4, 103, W - 1, H, frame);
    fill(dc.get(), 4, H - 27, W, H - 1, frame);
    fill(dc.get(), 4, 103, W - 4, H - 27, kContentBackground);
    SetBkMode(dc.get(), TRANSPARENT);
    win::Selected sf(dc.get(), frame_font());
    SetTextColor(dc.get(), RGB(255, 255, 255));
    TextOutA(dc.get(), 28, 9, kTitle, static_cast<int>(sizeof kTitle - 1));
    for (int k = 0; k < 5; ++k) draw_caption_button(dc.get(), k);
    for (int k = 0; k < 5; ++k) draw_tab(dc.get(), k);
    BitBlt(target, 0, 0, W, H, dc.get(), 0, 0, SRCCOPY);
}

void caption_action(HWND w, int k, int x, int y) {
    switch (k) {
        case 0:
            end_program();
        case 2:
            ShowWindow(w, SW_MINIMIZE);
            break;
        case 3: {
            RECT r;
            GetWindowRect(w, &r);
            int W = r.right - r.left, H = r.bottom - r.top;
            if (r.left == 0) {
                int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
                SetWindowPos(w, nullptr, static_cast<int>(sx / 2.0 - W / 2.0),
                             static_cast<int>(sy / 2.0 - H / 2.0), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            } else {
                SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            }
            break;
        }
        case 4:
            show_control_menu(x, y);
            break;
    }
}

void redraw_caption_button(HWND w, int k) {
    InvalidateRect(w, &g_app.caption_buttons[k].rect, FALSE);
}

}  // namespace

void skin_apply(int preset, bool use_picture, Colour colour, bool use_colour) {
    apply_skin(g_app.skin, preset, use_picture, colour, use_colour);
    write_setting(kSettingsSection, "pf", int_to_text(g_app.skin.preset));
    write_setting(kSettingsSection, "lb", int_to_text(g_app.skin.mode));
    if (g_app.main) InvalidateRect(g_app.main, nullptr, FALSE);
}

bool skin_handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    int x = static_cast<int>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            paint_frame(w, dc);
            EndPaint(w, &ps);
            if (!g_app.status_text.empty()) draw_status_line(g_app.status_colour, true);
            prepare_working_folders();
            *result = 0;
            return true;
        }
        case WM_MOUSEMOVE: {
            bool tabs_changed = false;
            for (SkinTab& t : g_app.tabs) {
                bool in = inside(t.rect, x, y, 1);
                if (!in && t.state == 1) {
                    t.state = 0;
                    tabs_changed = true;
                } else if (in && t.state == 0 && t.caption[0]) {
                    t.state = 1;
                    tabs_changed = true;
                }
            }
            if (tabs_changed) redraw_tabs(w);
            for (int k = 0; k < 5; ++k) {
                CaptionButton& b = g_app.caption_buttons[k];
                bool in = inside(b.rect, x, y, 1);
                if (!in && b.state == 1) {
                    b.state = 0;
                    redraw_caption_button(w, k);
                } else if (in && b.state == 0) {
                    b.state = 1;
                    redraw_caption_button(w, k);
                }
            }
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, w, 0};
            TrackMouseEvent(&t);
            break;
        }
        case WM_MOUSELEAVE:
            for (SkinTab& t : g_app.tabs) {
                if (t.state == 1) {
                    t.state = 0;
                    redraw_tabs(w);
                }
            }
            for (int k = 0; k < 5; ++k) {
                if (g_app.caption_buttons[k].state == 1) {
                    g_app.caption_buttons[k].state = 0;
                    redraw_caption_button(w, k);
                }
            }
            break;
        case WM_LBUTTONDOWN: {
            g_app.control_press = 0;
            for (int k = 0; k < 5; ++k) {
                CaptionButton& b = g_app.caption_buttons[k];
                if (inside(b.rect, x, y)) {
                    if (b.state != 2) {
                        b.state = 2;
                        redraw_caption_button(w, k);
                    }
                    g_app.control_press = 1;
                    break;
                }
            }
            for (int k = 0; k < 5 && !g_app.control_press; ++k) {
                if (!inside(g_app.tabs[k].rect, x, y)) continue;
                g_app.control_press = 1;
                select_page(k + 1);  // marks tab k + 1 selected and the others normal
                redraw_tabs(w);
            }
            if (!g_app.control_press) {
                ReleaseCapture();
                SendMessageA(w, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            } else {
                SetCapture(w);
            }
            *result = 0;
            return true;
        }
        case WM_LBUTTONUP:
            ReleaseCapture();
            for (int k = 0; k < 5; ++k) {
                CaptionButton& b = g_app.caption_buttons[k];
                if (b.state != 2) continue;
                b.state = 0;
                redraw_caption_button(w, k);
                if (inside(b.rect, x, y)) caption_action(w, k, x, y);
                break;
            }
            *result = 0;
            return true;
    }
    return false;
}

}  // namespace yq
