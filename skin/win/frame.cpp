#include "skin/win/frame.h"

#include <windowsx.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "base/text.h"
#include "base/version.h"
#include "platform/win/controls.h"
#include "platform/win/handles.h"
#include "platform/win/settings.h"
#include "skin/win/skin_art.h"
#include "skin/win/skin_popup.h"
#include "skin/win/status_line.h"

namespace yq {
namespace {

constexpr COLORREF kContentBackground = 0xECECEC;
constexpr UINT_PTR kFadeTimer = 1;  // 时钟1
constexpr int kHeaderHeight = 103;
constexpr int kHeaderBandTop = 5;  // the rows of a header picture the band shows
constexpr int kHeaderPictureWidth = 840;
// A tab's redraw area of the composed frame: its backdrop's place.
constexpr int kTabAreaTop = 28, kTabAreaWidth = 76, kTabAreaHeight = 71;
// The skin button's redraw area: (W - 35, 77), 28 x 22.
constexpr int kSkinAreaRight = 35, kSkinAreaTop = 77, kSkinAreaWidth = 28, kSkinAreaHeight = 22;

const char* const kTabCaptions[kFrameTabs] = {"字体下载", "字体管理", "我的字体", " 回收站 ",
                                              "字体备份"};
constexpr int kCaptionX[kFrameTabs] = {20, 96, 173, 247, 322};
constexpr int kCaptionY = 82;

// A 32-bit top-down DIB section selected into a memory DC of its own, kept
// from one paint to the next while its size stays.
struct Surface {
    win::UniqueBitmap bitmap;
    win::UniqueMemDc dc;  // released first, with the bitmap still selected
    uint8_t* bits = nullptr;
    int w = 0, h = 0;

    bool make(int width, int height) {
        dc.reset();
        bitmap.reset();
        bits = nullptr;
        w = h = 0;
        uint8_t* p = nullptr;
        bitmap = win::make_dib_section(width, height, p);
        dc.reset(CreateCompatibleDC(nullptr));
        if (!bitmap || !dc) {
            dc.reset();
            bitmap.reset();
            return false;
        }
        SelectObject(dc.get(), bitmap.get());
        bits = p;
        w = width;
        h = height;
        return true;
    }
};

}  // namespace

struct Frame::State {
    State(Frame& frame, HWND window, FrameHooks frame_hooks)
        : main(window),
          hooks(std::move(frame_hooks)),
          popup([&frame](int preset, bool use_picture, Colour colour, bool use_colour) {
              frame.apply_skin(preset, use_picture, colour, use_colour);
          }),
          status(window, skin) {}

    HWND main = nullptr;
    FrameHooks hooks;
    FrameModel model{true};  // with the skin button, which opens the skin picker
    SkinState skin;
    HFONT font = nullptr;  // 宋体 13: title, tab captions
    // The last composed frame, W x H: the ground of every element's redraw
    // until the next paint; and the piece a redraw draws on before it goes
    // to the window.
    Surface composed, piece;
    bool painted = false;
    bool painting = false;       // a paint's redraws add to its count
    uint64_t pixels_copied = 0;  // to the window, by the last paint or redraw
    HWND tips = nullptr;         // the tooltips of the icon-only buttons
    SkinPopup popup;
    StatusLine status;
};

namespace {

using FrameState = Frame::State;

// What each icon-only button of the frame does, for its tooltip: caption
// buttons 1..5, then the skin button.
constexpr const char* kButtonTips[6] = {"关闭", "固定大小", "最小化", "居中", "菜单", "换肤"};

// One tooltip window for the six drawn buttons, each a rectangle of the
// main window's client area (they are drawn, not windows of their own).
void set_button_tips(FrameState& f, const std::array<FrameRect, 6>& rects) {
    if (!f.main) return;
    if (!f.tips) {
        f.tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, f.main,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!f.tips) return;
        for (UINT_PTR k = 0; k < rects.size(); ++k) {
            TOOLINFOA tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_SUBCLASS;
            tool.hwnd = f.main;
            tool.uId = k + 1;
            tool.lpszText = const_cast<char*>(kButtonTips[k]);
            SendMessageA(f.tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    for (UINT_PTR k = 0; k < rects.size(); ++k) {
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = f.main;
        tool.uId = k + 1;
        const FrameRect& r = rects[k];
        tool.rect = {r.x, r.y, r.x + r.w, r.y + r.h};
        SendMessageA(f.tips, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    win::UniqueBrush br(CreateSolidBrush(c));
    FillRect(dc, &rc, br.get());
}

// A one-pixel outline through (x, y) and (x + w, y + h), both included,
// `colour` laid over the surface's pixels at `alpha`; each pixel blended
// once. The surface's GDI drawing is flushed first.
void outline(Surface& s, int x, int y, int w, int h, COLORREF colour, int alpha) {
    if (w < 0 || h < 0) return;
    GdiFlush();
    const int ink[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
    auto blend = [&](int px, int py) {
        if (px < 0 || py < 0 || px >= s.w || py >= s.h) return;
        uint8_t* p = s.bits + (static_cast<size_t>(py) * s.w + px) * 4;
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<uint8_t>((p[c] * (255 - alpha) + ink[c] * alpha + 127) / 255);
    };
    for (int i = 0; i <= w; ++i) {
        blend(x + i, y);
        if (h > 0) blend(x + i, y + h);
    }
    for (int j = 1; j < h; ++j) {
        blend(x, y + j);
        if (w > 0) blend(x + w, y + j);
    }
}

void add_pixels(FrameState& f, uint64_t n) {
    f.pixels_copied = f.painting ? f.pixels_copied + n : n;
}

// Copies the area (sx, sy, w, h) of the composed frame, lets `draw` draw on
// it (in the area's own coordinates) and puts it on the window at (wx, wy),
// blended at `alpha` when under 255; through `target` when given (a paint's
// DC), else through a DC of the window. Nothing happens before the first
// paint or for an area outside the composed frame (a resize not yet painted).
template <typename Draw>
void redraw_area(FrameState& f, HDC target, int sx, int sy, int w, int h, int wx, int wy, int alpha,
                 Draw draw) {
    if (!f.main || !f.painted || w <= 0 || h <= 0 || sx < 0 || sy < 0 || sx + w > f.composed.w ||
        sy + h > f.composed.h)
        return;
    if ((w > f.piece.w || h > f.piece.h) &&
        !f.piece.make(std::max(w, f.piece.w), std::max(h, f.piece.h)))
        return;
    HDC piece = f.piece.dc.get();
    BitBlt(piece, 0, 0, w, h, f.composed.dc.get(), sx, sy, SRCCOPY);
    draw(piece);
    std::optional<win::WindowDc> window;
    if (!target) target = window.emplace(f.main).get();
    if (alpha >= 255) {
        BitBlt(target, wx, wy, w, h, piece, 0, 0, SRCCOPY);
    } else {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::max(alpha, 0)), 0};
        AlphaBlend(target, wx, wy, w, h, piece, 0, 0, w, h, blend);
    }
    add_pixels(f, uint64_t(w) * h);
}

// Tab k: its area at (tab x, 28) with the hover or the selected backdrop
// over it (states 0 and 5 put the plain area back), at (tab x + 1, 29).
void redraw_tab(FrameState& f, int k, HDC target = nullptr) {
    const int x = f.model.tab_rect(k).x, state = f.model.tab_state(k);
    redraw_area(f, target, x, kTabAreaTop, kTabAreaWidth, kTabAreaHeight, x + 1, kTabAreaTop + 1,
                255, [&](HDC dc) {
                    if (state == kHover) draw_skin_picture(dc, SkinPicture::TabHover, 0, 0);
                    if (state == kSelected) draw_skin_picture(dc, SkinPicture::TabSelected, 0, 0);
                });
}

// Caption button k (1..5): its face for its state over its rectangle of
// the composed frame, blended onto the window one row lower at `alpha`.
void redraw_caption_button(FrameState& f, int k, int alpha, HDC target = nullptr) {
    const FrameRect& b = f.model.button_rect(k);
    const int state = f.model.button_state(k);
    redraw_area(f, target, b.x, b.y, b.w, b.h, b.x, b.y + 1, alpha, [&](HDC dc) {
        draw_skin_picture_scaled(dc, caption_face(k, state), 0, 0, b.w, b.h);
    });
}

// The skin button: the hover face, or the pressed face with the icon on
// it, over its area at (W - 35, 77), put at (W - 34, 78).
void redraw_skin_button(FrameState& f, int alpha) {
    const int state = f.model.button_state(kSkinButton);
    const int x = f.composed.w - kSkinAreaRight;
    redraw_area(f, nullptr, x, kSkinAreaTop, kSkinAreaWidth, kSkinAreaHeight, x + 1,
                kSkinAreaTop + 1, alpha, [&](HDC dc) {
                    if (state == kHover) draw_skin_picture(dc, SkinPicture::SkinHover, 0, 0);
                    if (state == kPressed) {
                        draw_skin_picture(dc, SkinPicture::SkinPressed, 0, 0);
                        draw_skin_picture(dc, SkinPicture::SkinIcon, 8, 5);
                    }
                });
}

// The composed frame, W x H, in the order of its layers; then copied to the
// window at (1, 1) in one operation.
void compose_frame(FrameState& f, HDC target) {
    RECT wr;
    GetWindowRect(f.main, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    f.painted = false;
    // The frame's storage is kept while the size stays; every pixel of it
    // that reaches the window is drawn again below.
    if ((f.composed.w != W || f.composed.h != H) && !f.composed.make(W, H)) return;
    HDC dc = f.composed.dc.get();
    const SkinState& skin = f.skin;
    // Header: the picture's band of rows 5..108 across the width, or the
    // header colour (skin 1 always shows its colour). A picture that cannot
    // be shown leaves its skin's colour.
    const bool picture = skin.mode == 2 && skin.preset != 1;
    if (picture) {
        if (skin.picture < 0 ||
            !draw_skin_picture_scaled(dc, header_picture(skin.picture), 0, kHeaderBandTop,
                                      kHeaderPictureWidth, kHeaderHeight, 0, 0, W, kHeaderHeight))
            fill(dc, 0, 0, W, kHeaderHeight, header_picture_colour(skin.picture));
    } else {
        // Without a header colour the header is left as a new frame is: black.
        fill(dc, 0, 0, W, kHeaderHeight,
             skin.header_colour != 0 || skin.preset == 1 ? skin.header_colour : RGB(0, 0, 0));
    }
    draw_skin_picture(dc, SkinPicture::TitleIcon, 10, 7);
    draw_skin_picture(dc, SkinPicture::SkinIcon, W - 28, 81);
    SetBkMode(dc, TRANSPARENT);
    win::Selected font(dc, f.font);
    SetTextColor(dc, skin.text_colour);
    for (int k = 1; k <= kFrameTabs; ++k) {
        const FrameRect& t = f.model.tab_rect(k);
        draw_skin_picture_scaled(dc, tab_icon_picture(k), t.x, t.y, t.w, t.h);
        const char* caption = kTabCaptions[k - 1];
        TextOutA(dc, kCaptionX[k - 1], kCaptionY, caption, static_cast<int>(std::strlen(caption)));
    }
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 28, 9, kProgramTitle, static_cast<int>(sizeof kProgramTitle - 1));
    fill(dc, 1, kHeaderHeight, 4, H, skin.frame_colour);
    fill(dc, W - 4, kHeaderHeight, W - 1, H, skin.frame_colour);
    fill(dc, 4, H - 27, W, H - 1, skin.frame_colour);
    fill(dc, 4, kHeaderHeight, W - 4, H - 27, kContentBackground);
    outline(f.composed, 3, 102, W - 7, H - 129, RGB(0, 0, 0), 100);   // around the page area
    outline(f.composed, 1, 1, W - 3, H - 5, RGB(0, 0, 0), 155);       // around the window
    outline(f.composed, 2, 2, W - 5, H - 7, RGB(255, 255, 255), 80);  // just inside it
    draw_skin_picture(dc, SkinPicture::SizeGrip, W - 13, H - 14);
    if (f.model.button_state(kSkinButton) == kPressed) {
        draw_skin_picture(dc, SkinPicture::SkinPressed, W - kSkinAreaRight, kSkinAreaTop);
        draw_skin_picture(dc, SkinPicture::SkinIcon, W - 27, 82);
    }
    BitBlt(target, 1, 1, W, H - 2, dc, 0, 0, SRCCOPY);
    f.painted = true;
    f.pixels_copied = uint64_t(W) * (H - 2);
}

// A whole paint: the composed frame, then on it the selected tab, the five
// caption buttons and the status line.
void paint_frame(FrameState& f, HDC target) {
    compose_frame(f, target);
    f.painting = true;
    for (int k = 1; k <= kFrameTabs; ++k) {
        if (f.model.tab_state(k) != kSelected) continue;
        redraw_tab(f, k, target);
        break;
    }
    for (int k = 1; k <= kCaptionButtons; ++k) redraw_caption_button(f, k, 255, target);
    if (!f.status.text().empty()) f.status.redraw();
    f.painting = false;
}

void run_caption(FrameState& f, CaptionAction action, int x, int y) {
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

// Applies what the model decided, in order. An element's redraw draws it on
// the last composed frame (a fading caption button at each step's alpha).
void apply_actions(FrameState& f, const FrameActions& actions) {
    using Kind = FrameAction::Kind;
    HWND w = f.main;
    for (const FrameAction& a : actions) {
        switch (a.kind) {
            case Kind::RedrawTab:
                redraw_tab(f, a.index);
                break;
            case Kind::RedrawCaptionButton:
                redraw_caption_button(f, a.index, a.fading ? a.alpha : 255);
                break;
            case Kind::RedrawSkinButton:
                redraw_skin_button(f, a.fading ? a.alpha : 255);
                break;
            case Kind::StartFade:
                SetTimer(w, kFadeTimer, kFadeIntervalMs, nullptr);
                break;
            case Kind::StopFade:
                KillTimer(w, kFadeTimer);
                break;
            case Kind::TrackLeave:
                win::track_mouse_leave(w);
                break;
            case Kind::SelectPage:
                if (f.hooks.select_page) f.hooks.select_page(a.index);
                break;
            case Kind::OpenPopup:
                f.popup.open(w);
                break;
            case Kind::ClosePopup:
                f.popup.close();
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

Frame::Frame(HWND main, FrameHooks hooks)
    : state_(std::make_unique<State>(*this, main, std::move(hooks))) {
    State& f = *state_;
    f.skin.picture = kDefaultHeaderPicture;  // the header picture loaded with the skin images
    f.font = win::make_font({"宋体", -13});
}

Frame::~Frame() = default;

const SkinState& Frame::skin() const {
    return state_->skin;
}

StatusLine& Frame::status_line() {
    return state_->status;
}

void Frame::apply_skin(int preset, bool use_picture, Colour colour, bool use_colour) {
    State& f = *state_;
    yq::apply_skin(f.skin, preset, use_picture, colour, use_colour);
    // The picker marks the skin applied with its picture.
    if (use_picture) f.popup.marks() = {preset >= 1 && preset <= kSkinPresetCount ? preset : 0, 0};
    write_setting(kSettingsSection, "pf", int_to_text(f.skin.preset));
    write_setting(kSettingsSection, "lb", int_to_text(f.skin.mode));
    // The repaint draws the status line too: in the new skin's colour.
    f.status.follow_skin();
    if (f.main) InvalidateRect(f.main, nullptr, FALSE);
}

void Frame::set_caption_buttons(const std::array<FrameRect, 6>& rects) {
    State& f = *state_;
    f.model.set_caption_buttons(rects);
    set_button_tips(f, rects);
}

void Frame::page_pressed() {
    State& f = *state_;
    apply_actions(f, f.model.page_pressed());
}

bool Frame::key(UINT vk, bool ctrl, bool shift) {
    State& f = *state_;
    if (vk == VK_ESCAPE && !ctrl && !shift && f.model.popup_open()) {
        close_popup();
        return true;
    }
    if (!ctrl) return false;
    int k = vk == VK_TAB                       ? f.model.tab_after(shift ? -1 : 1)
            : vk >= '1' && vk <= '5' && !shift ? static_cast<int>(vk - '0')
                                               : 0;
    if (k == 0) return false;
    apply_actions(f, f.model.tab_key(k));
    return true;
}

void Frame::close_popup() {
    State& f = *state_;
    apply_actions(f, f.model.page_pressed());
}

void Frame::select_tab(int k) {
    State& f = *state_;
    f.model.select_tab(k);
    for (int i = 1; i <= kFrameTabs; ++i) redraw_tab(f, i);
}

bool Frame::handle_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    State& f = *state_;
    if (w != f.main) return false;
    // x: the low 16 bits unsigned; y: the high 16 bits sign-extended.
    int x = static_cast<int>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_PAINT: {
            {
                win::PaintDc dc(w);
                paint_frame(f, dc.get());
            }
            if (f.hooks.after_paint) f.hooks.after_paint();
            *result = 0;
            return true;
        }
        case kFramePixelsMessage:
            *result = static_cast<LRESULT>(f.pixels_copied);
            return true;
        case kStatusTextAtomMessage:
            *result = GlobalAddAtomA(f.status.text().substr(0, 255).c_str());
            return true;
        case WM_TIMER:
            if (wp != kFadeTimer) return false;
            apply_actions(f, f.model.fade_tick());
            *result = 0;
            return true;
        case WM_MOUSEMOVE:
            apply_actions(f, f.model.mouse_move(x, y));
            return false;
        case WM_MOUSELEAVE: {
            // Only a pointer that has really left counts: a tooltip shown
            // under it (transparent to the mouse) or a busy moment must not
            // end a hover that goes on. Then the leave is watched for again.
            POINT at;
            if (GetCursorPos(&at) && WindowFromPoint(at) == w) {
                win::track_mouse_leave(w);
                return false;
            }
            apply_actions(f, f.model.mouse_leave());
            return false;
        }
        case WM_LBUTTONDOWN:
            apply_actions(f, f.model.left_down(x, y));
            *result = 0;
            return true;
        case WM_LBUTTONUP:
            apply_actions(f, f.model.left_up(x, y));
            *result = 0;
            return true;
        case WM_ACTIVATEAPP:
            // Another program comes to the front: the popup does not stay
            // over it.
            if (!wp) close_popup();
            return false;
    }
    return false;
}

}  // namespace yq
