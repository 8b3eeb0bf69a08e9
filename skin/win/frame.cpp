#include "skin/win/frame.h"

#include <windowsx.h>

#include <cstring>

#include "base/text.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "skin/win/status_line.h"

namespace yq {
namespace {

constexpr char kTitle[] = "砚青3.6";
constexpr COLORREF kContentBackground = 0xECECEC;
constexpr UINT_PTR kFadeTimer = 1;  // 时钟1
constexpr int kTabBandHeight = 103;

const char* const kTabCaptions[kFrameTabs] = {"字体下载", "字体管理", "我的字体", " 回收站 ",
                                             "字体备份"};
const float kCaptionX[kFrameTabs] = {20.0f, 96.0f, 173.0f, 247.0f, 322.0f};
constexpr float kCaptionY = 82.0f;

struct Frame {
    HWND main = nullptr;
    FrameHooks hooks;
    // The skin button opens the colour popup, which is not part of the
    // program yet: until it is, a press there is a press on the header.
    FrameModel model{false};
    SkinState skin;
    HFONT font = nullptr;       // 宋体 13: title, tab captions
    HFONT icon_font = nullptr;  // the tabs' icon glyphs
};

Frame& frame() {
    static Frame f;
    return f;
}

RECT to_rect(const FrameRect& r) {
    return {r.x, r.y, r.x + r.w, r.y + r.h};
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    win::UniqueBrush br(CreateSolidBrush(c));
    FillRect(dc, &rc, br.get());
}

// Caption buttons 1..5: close, maximise (inert), minimise, move, control
// menu, each a drawn glyph over its state's backdrop.
void draw_caption_button(HDC dc, const Frame& f, int k) {
    RECT r = to_rect(f.model.button_rect(k));
    int state = f.model.button_state(k);
    if (state != kNormal) {
        COLORREF c = k == 1 ? RGB(224, 67, 67) : RGB(255, 255, 255);
        win::UniqueBrush br(CreateSolidBrush(c));
        FillRect(dc, &r, br.get());
    }
    COLORREF ink = state != kNormal && k != 1 ? f.skin.frame_colour : RGB(255, 255, 255);
    win::UniquePen pen(CreatePen(PS_SOLID, 2, ink));
    win::Selected sp(dc, pen.get());
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    switch (k) {
        case 1:
            MoveToEx(dc, cx - 4, cy - 4, nullptr);
            LineTo(dc, cx + 4, cy + 4);
            MoveToEx(dc, cx + 4, cy - 4, nullptr);
            LineTo(dc, cx - 4, cy + 4);
            break;
        case 2: {
            win::Selected sb(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, cx - 5, cy - 4, cx + 5, cy + 5);
            break;
        }
        case 3:
            MoveToEx(dc, cx - 5, cy + 3, nullptr);
            LineTo(dc, cx + 5, cy + 3);
            break;
        case 4:
            for (int i = -3; i <= 3; i += 3) {
                MoveToEx(dc, cx - 5, cy + i, nullptr);
                LineTo(dc, cx + 5, cy + i);
            }
            break;
        case 5: {
            win::Selected sb(dc, GetStockObject(NULL_BRUSH));
            RoundRect(dc, cx - 6, cy - 5, cx + 6, cy + 3, 4, 4);
            MoveToEx(dc, cx - 2, cy + 3, nullptr);
            LineTo(dc, cx - 4, cy + 6);
            break;
        }
    }
}

// A page tab: a backdrop when hovered or selected, an icon glyph, the caption.
void draw_tab(HDC dc, const Frame& f, int k) {
    const FrameRect& rect = f.model.tab_rect(k);
    int state = f.model.tab_state(k);
    if (state == kHover || state == kSelected) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, static_cast<BYTE>(state == kSelected ? 110 : 50), 0};
        win::UniqueMemDc white(CreateCompatibleDC(dc));
        win::UniqueBitmap wb(CreateCompatibleBitmap(dc, 1, 1));
        win::Selected ws(white.get(), wb.get());
        SetPixel(white.get(), 0, 0, RGB(255, 255, 255));
        AlphaBlend(dc, rect.x + 1, 29, 74, 71, white.get(), 0, 0, 1, 1, bf);
    }
    SetTextColor(dc, f.skin.text_colour);
    {
        static const char* const kIcons[kFrameTabs] = {"下", "管", "我", "回", "备"};
        win::Selected font(dc, f.icon_font);
        RECT ir{rect.x, rect.y + 4, rect.x + rect.w, rect.y + rect.h};
        DrawTextA(dc, kIcons[k - 1], 2, &ir, DT_CENTER | DT_TOP | DT_SINGLELINE);
    }
    win::Selected font(dc, f.font);
    const char* caption = kTabCaptions[k - 1];
    TextOutA(dc, static_cast<int>(kCaptionX[k - 1]), static_cast<int>(kCaptionY), caption,
             static_cast<int>(std::strlen(caption)));
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
        {W, kTabBandHeight, static_cast<COLOR16>(GetRValue(bottom) << 8),
         static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8),
         0}};
    GRADIENT_RECT gr{0, 1};
    GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
    win::UniquePen ring(CreatePen(PS_SOLID, 1, mix(base, RGB(255, 255, 255), 55)));
    win::Selected sp(dc, ring.get());
    win::Selected sb(dc, GetStockObject(NULL_BRUSH));
    // The rings stay right of the page tabs.
    win::UniqueRegion clip(CreateRectRgn(420, 0, W, kTabBandHeight));
    SelectClipRgn(dc, clip.get());
    for (int i = 0; i < 4; ++i) {
        int r = 40 + 38 * i + 9 * picture, cx = W - 90 - 23 * picture, cy = 10 + 7 * i;
        Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    }
    SelectClipRgn(dc, nullptr);
}

void paint_frame(const Frame& f, HDC target) {
    RECT wr;
    GetWindowRect(f.main, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top;
    win::UniqueMemDc dc(CreateCompatibleDC(target));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(target, W, H));
    win::Selected sel(dc.get(), bmp.get());
    const SkinState& skin = f.skin;
    // Header: the picture in picture mode (skin 1 is always a flat colour),
    // otherwise the header colour.
    bool picture = skin.mode == 2 && skin.preset != 1 && skin.picture >= 0;
    if (picture) {
        draw_header_picture(dc.get(), W, skin.picture);
    } else if (skin.header_colour != 0 || skin.preset == 1) {
        fill(dc.get(), 0, 0, W, kTabBandHeight, skin.header_colour);
    }
    fill(dc.get(), 1, kTabBandHeight, 4, H, skin.frame_colour);
    fill(dc.get(), W - 4, kTabBandHeight, W - 1, H, skin.frame_colour);
    fill(dc.get(), 4, H - 27, W, H - 1, skin.frame_colour);
    fill(dc.get(), 4, kTabBandHeight, W - 4, H - 27, kContentBackground);
    SetBkMode(dc.get(), TRANSPARENT);
    win::Selected sf(dc.get(), f.font);
    SetTextColor(dc.get(), RGB(255, 255, 255));
    TextOutA(dc.get(), 28, 9, kTitle, static_cast<int>(sizeof kTitle - 1));
    for (int k = 1; k <= kCaptionButtons; ++k) draw_caption_button(dc.get(), f, k);
    for (int k = 1; k <= kFrameTabs; ++k) draw_tab(dc.get(), f, k);
    BitBlt(target, 0, 0, W, H, dc.get(), 0, 0, SRCCOPY);
}

void invalidate_tabs(HWND w) {
    RECT wr;
    GetWindowRect(w, &wr);
    RECT band{0, 0, wr.right - wr.left, kTabBandHeight};
    InvalidateRect(w, &band, FALSE);
}

void run_caption(Frame& f, CaptionAction action, int x, int y) {
    HWND w = f.main;
    switch (action) {
        case CaptionAction::Close:
            if (f.hooks.end_program) f.hooks.end_program();
            break;
        case CaptionAction::Minimise:
            ShowWindow(w, SW_MINIMIZE);
            break;
        case CaptionAction::Move: {
            // Between the screen's top-left corner and its centre.
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
        case CaptionAction::ControlMenu:
            if (f.hooks.control_menu) f.hooks.control_menu(x, y);
            break;
        case CaptionAction::Maximise:
        case CaptionAction::None:
            break;
    }
}

// Applies what the model decided, in order. Element redraws invalidate the
// element: the paint composes the frame again (fading caption buttons show
// their hover look as each step arrives).
void apply_actions(Frame& f, const FrameActions& actions) {
    using Kind = FrameAction::Kind;
    HWND w = f.main;
    for (const FrameAction& a : actions) {
        switch (a.kind) {
            case Kind::RedrawTab:
                invalidate_tabs(w);
                break;
            case Kind::RedrawCaptionButton:
            case Kind::RedrawSkinButton: {
                RECT r = to_rect(f.model.button_rect(a.index));
                InvalidateRect(w, &r, FALSE);
                break;
            }
            case Kind::StartFade:
                SetTimer(w, kFadeTimer, kFadeIntervalMs, nullptr);
                break;
            case Kind::StopFade:
                KillTimer(w, kFadeTimer);
                break;
            case Kind::TrackLeave: {
                TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, w, 0};
                TrackMouseEvent(&t);
                break;
            }
            case Kind::SelectPage:
                if (f.hooks.select_page) f.hooks.select_page(a.index);
                break;
            case Kind::OpenPopup:
            case Kind::ClosePopup:
                break;  // the skin colour popup is not part of the program yet
            case Kind::InvalidateWindow:
                InvalidateRect(w, nullptr, FALSE);
                break;
            case Kind::Capture:
                SetCapture(w);
                break;
            case Kind::ReleaseCapture:
                ReleaseCapture();
                break;
            case Kind::StartMove:
                ReleaseCapture();
                SendMessageA(w, WM_NCLBUTTONDOWN, HTCAPTION, 0);
                break;
            case Kind::RunCaption:
                run_caption(f, a.caption, a.x, a.y);
                break;
        }
    }
}

}  // namespace

void attach_frame(HWND main, FrameHooks hooks) {
    Frame& f = frame();
    f.main = main;
    f.hooks = std::move(hooks);
    f.skin.picture = kDefaultHeaderPicture;  // the header picture loaded with the skin images
    if (!f.font) f.font = win::make_font({"宋体", -13});
    if (!f.icon_font) f.icon_font = win::make_font({"宋体", -30, FW_BOLD, ANTIALIASED_QUALITY});
}

HWND frame_window() {
    return frame().main;
}

const SkinState& window_skin() {
    return frame().skin;
}

void apply_window_skin(int preset, bool use_picture, Colour colour, bool use_colour) {
    Frame& f = frame();
    apply_skin(f.skin, preset, use_picture, colour, use_colour);
    write_setting(kSettingsSection, "pf", int_to_text(f.skin.preset));
    write_setting(kSettingsSection, "lb", int_to_text(f.skin.mode));
    if (f.main) InvalidateRect(f.main, nullptr, FALSE);
}

void set_caption_buttons(const std::array<FrameRect, 6>& rects) {
    frame().model.set_caption_buttons(rects);
}

void frame_page_pressed() {
    Frame& f = frame();
    apply_actions(f, f.model.page_pressed());
}

void frame_fade_tick() {
    Frame& f = frame();
    apply_actions(f, f.model.fade_tick());
}

void frame_select_tab(int k) {
    Frame& f = frame();
    f.model.select_tab(k);
    if (f.main) invalidate_tabs(f.main);
}

bool frame_handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    Frame& f = frame();
    if (w != f.main) return false;
    // x: the low 16 bits unsigned; y: the high 16 bits sign-extended.
    int x = static_cast<int>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_PAINT: {
            {
                win::PaintDc dc(w);
                paint_frame(f, dc.get());
            }
            if (!status_text().empty()) redraw_status_line();
            if (f.hooks.after_paint) f.hooks.after_paint();
            *result = 0;
            return true;
        }
        case kStatusTextAtomMessage:
            *result = GlobalAddAtomA(status_text().substr(0, 255).c_str());
            return true;
        case WM_TIMER:
            if (wp != kFadeTimer) return false;
            frame_fade_tick();
            *result = 0;
            return true;
        case WM_MOUSEMOVE:
            apply_actions(f, f.model.mouse_move(x, y));
            return false;
        case WM_MOUSELEAVE:
            apply_actions(f, f.model.mouse_leave());
            return false;
        case WM_LBUTTONDOWN:
            apply_actions(f, f.model.left_down(x, y));
            *result = 0;
            return true;
        case WM_LBUTTONUP:
            apply_actions(f, f.model.left_up(x, y));
            *result = 0;
            return true;
    }
    return false;
}

}  // namespace yq
