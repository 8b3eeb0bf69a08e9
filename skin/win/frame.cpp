#include "skin/win/frame.h"

#include <windowsx.h>

#include <cstring>

#include "base/text.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "skin/win/header_art.h"
#include "skin/win/skin_popup.h"
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
    FrameModel model{true};  // with the skin button, which opens the skin picker
    SkinState skin;
    HFONT font = nullptr;       // 宋体 13: title, tab captions
    HFONT icon_font = nullptr;  // the tabs' icon glyphs
    // The last composed frame without its caption buttons and skin button:
    // the ground a button's redraw is drawn on.
    win::UniqueBitmap base;
    int base_w = 0, base_h = 0;
    uint64_t pixels_copied = 0;  // to the window, by the last paint or redraw
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
// Buttons 1..3 fade their hover backdrop in: `alpha` 0..255 of it is drawn.
void draw_caption_button(HDC dc, const Frame& f, int k, int alpha = 255) {
    RECT r = to_rect(f.model.button_rect(k));
    int state = f.model.button_state(k);
    if (state == kNormal) alpha = 0;
    if (alpha > 0) {
        COLORREF c = k == 1 ? RGB(224, 67, 67) : RGB(255, 255, 255);
        if (alpha >= 255) {
            win::UniqueBrush br(CreateSolidBrush(c));
            FillRect(dc, &r, br.get());
        } else {
            // One pixel of the colour, stretched over the button at that opacity.
            win::UniqueMemDc one(CreateCompatibleDC(dc));
            win::UniqueBitmap px(CreateCompatibleBitmap(dc, 1, 1));
            win::Selected sel(one.get(), px.get());
            SetPixel(one.get(), 0, 0, c);
            BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
            AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, one.get(), 0, 0, 1,
                       1, blend);
        }
    }
    // The glyph turns to the frame colour once the backdrop is mostly there.
    COLORREF ink = alpha >= 128 && k != 1 ? f.skin.frame_colour : RGB(255, 255, 255);
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

// The skin button under the caption buttons: three swatches in a frame,
// on a light backdrop when hovered, on white while the picker is open.
void draw_skin_button(HDC dc, const Frame& f) {
    RECT r = to_rect(f.model.button_rect(kSkinButton));
    const int state = f.model.button_state(kSkinButton);
    if (state == kPressed) {
        fill(dc, r.left, r.top, r.right, r.bottom, RGB(255, 255, 255));
    } else if (state == kHover) {
        fill(dc, r.left, r.top, r.right, r.bottom, mix(f.skin.frame_colour, RGB(255, 255, 255), 45));
    }
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const COLORREF swatches[3] = {RGB(230, 80, 70), RGB(250, 200, 60), RGB(70, 150, 230)};
    for (int i = 0; i < 3; ++i) fill(dc, cx - 8 + 6 * i, cy - 4, cx - 3 + 6 * i, cy + 5, swatches[i]);
    win::UniquePen pen(CreatePen(PS_SOLID, 1, state == kPressed ? f.skin.frame_colour
                                                                : RGB(255, 255, 255)));
    win::Selected sp(dc, pen.get());
    win::Selected sb(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, cx - 10, cy - 6, cx + 10, cy + 7);
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

void paint_frame(Frame& f, HDC target) {
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
    // The ground of later button redraws, then the buttons on it.
    f.base.reset(CreateCompatibleBitmap(target, W, H));
    f.base_w = W;
    f.base_h = H;
    {
        win::UniqueMemDc copy(CreateCompatibleDC(target));
        win::Selected keep(copy.get(), f.base.get());
        BitBlt(copy.get(), 0, 0, W, H, dc.get(), 0, 0, SRCCOPY);
    }
    for (int k = 1; k <= kCaptionButtons; ++k)
        draw_caption_button(dc.get(), f, k, k <= 3 ? f.model.fade_alpha() : 255);
    draw_skin_button(dc.get(), f);
    for (int k = 1; k <= kFrameTabs; ++k) draw_tab(dc.get(), f, k);
    BitBlt(target, 0, 0, W, H, dc.get(), 0, 0, SRCCOPY);
    f.pixels_copied = uint64_t(W) * H;
}

// Button k (1..5, or the skin button) drawn again on the last composed
// ground and put on the window: only its own pixels are copied.
void redraw_button(Frame& f, int k, int alpha) {
    if (!f.main || !f.base) return;
    const FrameRect& b = f.model.button_rect(k);
    if (b.w <= 0 || b.h <= 0 || b.x + b.w > f.base_w || b.y + b.h > f.base_h) return;
    win::WindowDc window(f.main);
    win::UniqueMemDc ground(CreateCompatibleDC(window.get()));
    win::Selected keep(ground.get(), f.base.get());
    win::UniqueMemDc dc(CreateCompatibleDC(window.get()));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(window.get(), b.w, b.h));
    win::Selected sel(dc.get(), bmp.get());
    BitBlt(dc.get(), 0, 0, b.w, b.h, ground.get(), b.x, b.y, SRCCOPY);
    // The drawing functions use window coordinates.
    SetViewportOrgEx(dc.get(), -b.x, -b.y, nullptr);
    if (k == kSkinButton)
        draw_skin_button(dc.get(), f);
    else
        draw_caption_button(dc.get(), f, k, alpha);
    SetViewportOrgEx(dc.get(), 0, 0, nullptr);
    BitBlt(window.get(), b.x, b.y, b.w, b.h, dc.get(), 0, 0, SRCCOPY);
    f.pixels_copied = uint64_t(b.w) * b.h;
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

// Applies what the model decided, in order. A button's redraw draws it on
// the last composed ground (a fading caption button at each step's alpha).
void apply_actions(Frame& f, const FrameActions& actions) {
    using Kind = FrameAction::Kind;
    HWND w = f.main;
    for (const FrameAction& a : actions) {
        switch (a.kind) {
            case Kind::RedrawTab:
                invalidate_tabs(w);
                break;
            case Kind::RedrawCaptionButton:
                redraw_button(f, a.index, a.index <= 3 ? a.alpha : 255);
                break;
            case Kind::RedrawSkinButton:
                redraw_button(f, kSkinButton, 255);
                break;
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
                open_skin_popup(w);
                break;
            case Kind::ClosePopup:
                close_skin_popup();
                break;
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
    // The picker marks the skin applied with its picture.
    if (use_picture) skin_marks() = {preset >= 1 && preset <= kSkinPresetCount ? preset : 0, 0};
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
        case kFramePixelsMessage:
            *result = static_cast<LRESULT>(f.pixels_copied);
            return true;
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
