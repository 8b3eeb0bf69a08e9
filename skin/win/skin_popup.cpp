#include "skin/win/skin_popup.h"

#include <windowsx.h>

#include <memory>

#include "platform/win/controls.h"
#include "platform/win/handles.h"
#include "skin/win/skin_art.h"

namespace yq {
namespace {

constexpr char kPopupClass[] = "YqSkinPopup";
constexpr COLORREF kLine = 0xE3E2DF;
// What a redraw puts back around an element: a thumbnail's frames are
// 68 x 43 over its 67 x 42 rectangle, a cell's frame reaches one pixel right
// of its 16 x 17 rectangle.
constexpr int kThumbnailOverhang = 1, kCellAreaWidth = 17, kCellAreaHeight = 18;

}  // namespace

struct SkinPopup::State {
    ApplySkin apply_skin;
    SkinMarks marks;  // the last pick's, kept from one popup to the next
    HWND window = nullptr;
    std::unique_ptr<SkinPopupModel> model;
    win::UniqueBitmap composed;  // the last composed frame, behind partial redraws
};

namespace {

using Popup = SkinPopup::State;

void fill(HDC dc, int x, int y, int w, int h, COLORREF c) {
    win::UniqueBrush b(CreateSolidBrush(c));
    RECT r{x, y, x + w, y + h};
    FillRect(dc, &r, b.get());
}

SkinPicture tab_picture(int k, int look) {
    static const SkinPicture kPictures[2][3] = {
        {SkinPicture::PopupPicturesNormal, SkinPicture::PopupPicturesHover,
         SkinPicture::PopupPicturesSelected},
        {SkinPicture::PopupColoursNormal, SkinPicture::PopupColoursHover,
         SkinPicture::PopupColoursSelected}};
    return kPictures[k - 1][look];
}

// Page tab k at (x, y) of `dc` in `state`: its normal or hover face, or the
// tab base with its selected face.
void draw_tab(HDC dc, int k, int state, int x, int y) {
    if (state == kSelected) {
        draw_skin_picture(dc, SkinPicture::PopupTabBase, x, y);
        draw_skin_picture(dc, tab_picture(k, 2), x, y);
    } else {
        draw_skin_picture(dc, tab_picture(k, state == kHover ? 1 : 0), x, y);
    }
}

// Thumbnail n shrunk into its 67 x 42 rectangle; its skin's frame colour
// when the picture cannot be shown.
void draw_thumbnail(HDC dc, int n, int x, int y) {
    if (!draw_skin_picture_scaled(dc, thumbnail_picture(n), x, y, 67, 42)) {
        SkinState skin;
        apply_skin(skin, n, true, 0, false);
        fill(dc, x, y, 67, 42, skin.frame_colour);
    }
}

// The 84 colours where the palette picture shows them, one pixel right of
// each cell: drawn when the picture cannot be.
void draw_flat_palette(HDC dc) {
    for (int k = 0; k < kColourCells; ++k)
        fill(dc, 7 + 17 * (k % 12), 34 + 18 * (k / 12), 16, 17, kPaletteColours[k]);
}

// The whole popup composed off screen, kept for partial redraws.
void compose(Popup& p, HDC target) {
    const SkinPopupModel& m = *p.model;
    win::UniqueMemDc mem(CreateCompatibleDC(target));
    p.composed.reset(CreateCompatibleBitmap(target, kPopupWidth, kPopupHeight));
    win::Selected sel(mem.get(), p.composed.get());
    HDC dc = mem.get();
    fill(dc, 0, 0, kPopupWidth, kPopupHeight, RGB(255, 255, 255));
    draw_skin_picture_scaled(dc, SkinPicture::PopupBackground, 0, 0, kPopupWidth, kPopupHeight,
                             Scaling::Nearest);
    fill(dc, 1, 28, kPopupWidth - 5, 1, kLine);  // (1, 28) to (width - 5, 28)
    if (m.selected_tab() == 1) {
        draw_tab(dc, 1, kSelected, 0, 0);
        draw_tab(dc, 2, kNormal, 40, 0);
        for (int n = 1; n <= kThumbnails; ++n)
            draw_thumbnail(dc, n, m.thumbnail_rect(n).x, m.thumbnail_rect(n).y);
    } else {
        draw_tab(dc, 2, kSelected, 40, 0);
        draw_tab(dc, 1, kNormal, 0, 0);
        if (!draw_skin_picture(dc, SkinPicture::PopupPalette, 6, 33)) draw_flat_palette(dc);
    }
}

// Copies the area (x, y, w, h) of the composed frame, lets `draw` draw on
// it (in the area's own coordinates) and puts it on the popup.
template <typename Draw>
void redraw(Popup& p, int x, int y, int w, int h, Draw draw) {
    if (!p.window || !p.composed) return;
    win::WindowDc window(p.window);
    win::UniqueMemDc composed(CreateCompatibleDC(window.get()));
    win::Selected keep(composed.get(), p.composed.get());
    win::UniqueMemDc dc(CreateCompatibleDC(window.get()));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(window.get(), w, h));
    win::Selected sel(dc.get(), bmp.get());
    BitBlt(dc.get(), 0, 0, w, h, composed.get(), x, y, SRCCOPY);
    draw(dc.get());
    BitBlt(window.get(), x, y, w, h, dc.get(), 0, 0, SRCCOPY);
}

void redraw_tab(Popup& p, const SkinPopupModel& m, int k) {
    const FrameRect& r = m.tab_rect(k);
    redraw(p, r.x, r.y, r.w, r.h, [&](HDC dc) { draw_tab(dc, k, m.tab_state(k), 0, 0); });
}

void redraw_thumbnail(Popup& p, const SkinPopupModel& m, int n) {
    const FrameRect& r = m.thumbnail_rect(n);
    const int s = m.thumbnail_state(n);
    redraw(p, r.x, r.y, r.w + kThumbnailOverhang, r.h + kThumbnailOverhang, [&](HDC dc) {
        if (s == kMarked) draw_thumbnail(dc, n, 0, 0);
        if (s == kMarked || s == kMarkedHover)
            draw_skin_picture(dc, SkinPicture::PopupSelectedFrame, 0, 0);
        if (s == kHover || s == kMarkedHover)
            draw_skin_picture(dc, SkinPicture::PopupHoverFrame, 0, 0);
    });
}

void redraw_cell(Popup& p, const SkinPopupModel& m, int k) {
    const FrameRect& r = m.cell_rect(k);
    const bool framed = m.cell_state(k) != kNormal;
    redraw(p, r.x, r.y, kCellAreaWidth, kCellAreaHeight, [&](HDC dc) {
        if (framed)
            draw_skin_picture_scaled(dc, SkinPicture::PopupCellFrame, 1, 0, 16, 17,
                                     Scaling::Nearest);
    });
}

void apply_actions(Popup& p, const PopupActions& actions) {
    for (const PopupAction& a : actions) {
        if (!p.model) return;
        const SkinPopupModel& m = *p.model;
        switch (a.kind) {
            case PopupAction::Kind::RedrawTab:
                redraw_tab(p, m, a.index);
                break;
            case PopupAction::Kind::RedrawThumbnail:
                redraw_thumbnail(p, m, a.index);
                break;
            case PopupAction::Kind::RedrawCell:
                redraw_cell(p, m, a.index);
                break;
            case PopupAction::Kind::Repaint:
                InvalidateRect(p.window, nullptr, FALSE);
                break;
            case PopupAction::Kind::ApplySkin:
                if (p.apply_skin) p.apply_skin(a.index, true, 0, false);
                break;
            case PopupAction::Kind::ApplyColour:
                if (p.apply_skin) p.apply_skin(0, false, a.colour, true);
                break;
        }
    }
}

// The mark on the selected page, for probes.
int marked_on_page(const SkinPopupModel& m) {
    if (m.selected_tab() == 1) {
        for (int n = 1; n <= kThumbnails; ++n)
            if (m.thumbnail_state(n) == kMarked || m.thumbnail_state(n) == kMarkedHover) return n;
    } else {
        for (int k = 1; k <= kColourCells; ++k)
            if (m.cell_state(k) == kMarked) return k;
    }
    return 0;
}

LRESULT CALLBACK popup_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    // The popup's state comes with its creation and stays in its user data.
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<Popup*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (!state) return DefWindowProcA(w, msg, wp, lp);
    Popup& p = *state;
    const int x = static_cast<int>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (p.model) {
                compose(p, dc);
                win::UniqueMemDc mem(CreateCompatibleDC(dc));
                win::Selected sel(mem.get(), p.composed.get());
                BitBlt(dc, 0, 0, kPopupWidth, kPopupHeight, mem.get(), 0, 0, SRCCOPY);
            }
            EndPaint(w, &ps);
            if (p.model) apply_actions(p, p.model->painted());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (p.model) apply_actions(p, p.model->mouse_move(x, y));
            return 0;
        case WM_LBUTTONDOWN:
            if (p.model) apply_actions(p, p.model->left_down(x, y));
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;  // the main window keeps the focus
        case kSkinPopupStateMessage:
            return p.model ? MAKELONG(p.model->selected_tab(), marked_on_page(*p.model)) : 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

void register_popup_class() {
    static bool done = false;
    if (done) return;
    done = true;
    win::register_window_class(GetModuleHandleA(nullptr), kPopupClass, popup_proc,
                               LoadCursor(nullptr, IDC_ARROW));
}

}  // namespace

SkinPopup::SkinPopup(ApplySkin apply_skin) : state_(std::make_unique<State>()) {
    state_->apply_skin = std::move(apply_skin);
}

SkinPopup::~SkinPopup() {
    close();
}

SkinMarks& SkinPopup::marks() {
    return state_->marks;
}

bool SkinPopup::is_open() const {
    return state_->window != nullptr;
}

void SkinPopup::open(HWND main) {
    close();
    register_popup_class();
    Popup& p = *state_;
    p.model = std::make_unique<SkinPopupModel>(p.marks);
    RECT r;
    GetWindowRect(main, &r);
    // Just under the skin button.
    const int left = r.left + (r.right - r.left) - 223, top = r.top + 99;
    p.window = CreateWindowExA(WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP, left, top, kPopupWidth,
                               kPopupHeight, main, nullptr, GetModuleHandleA(nullptr), &p);
    if (!p.window) {
        p.model.reset();
        return;
    }
    HRGN region = CreateRoundRectRgn(0, 0, kPopupWidth - 1, kPopupHeight - 2, 4, 4);
    if (region && !SetWindowRgn(p.window, region, TRUE)) DeleteObject(region);
    ShowWindow(p.window, SW_SHOWNOACTIVATE);
}

void SkinPopup::close() {
    Popup& p = *state_;
    if (p.window) {
        // The window lets go of the state before it goes.
        SetWindowLongPtrA(p.window, GWLP_USERDATA, 0);
        DestroyWindow(p.window);
    }
    p.window = nullptr;
    p.model.reset();
    p.composed.reset();
}

}  // namespace yq
