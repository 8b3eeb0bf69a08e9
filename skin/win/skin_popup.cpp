#include "skin/win/skin_popup.h"

#include <windowsx.h>

#include <memory>

#include "platform/win/handles.h"
#include "skin/win/frame.h"
#include "skin/win/header_art.h"

namespace yq {
namespace {

constexpr char kPopupClass[] = "YqSkinPopup";
constexpr COLORREF kLine = 0xE3E2DF;
constexpr COLORREF kHoverFrame = RGB(120, 180, 240), kMarkFrame = RGB(255, 140, 0);

struct Popup {
    HWND window = nullptr;
    std::unique_ptr<SkinPopupModel> model;
    win::UniqueBitmap composed;  // the last composed frame, behind partial redraws
};

Popup& popup() {
    static Popup p;
    return p;
}

void frame_rect(HDC dc, int x, int y, int w, int h, COLORREF c, int width) {
    win::UniqueBrush b(CreateSolidBrush(c));
    for (int i = 0; i < width; ++i) {
        RECT r{x + i, y + i, x + w - i, y + h - i};
        ::FrameRect(dc, &r, b.get());
    }
}

void fill(HDC dc, int x, int y, int w, int h, COLORREF c) {
    win::UniqueBrush b(CreateSolidBrush(c));
    RECT r{x, y, x + w, y + h};
    FillRect(dc, &r, b.get());
}

// The tab icons, 40 x 30: a small landscape (the pictures) and three
// swatches (the colours); selected tabs sit on white, the others on the
// popup's grey, hovered ones lighter.
void draw_tab(HDC dc, int k, int state) {
    const int x = (k - 1) * 40;
    fill(dc, x, 0, 40, 28, state == kSelected ? RGB(255, 255, 255)
                           : state == kHover  ? RGB(244, 246, 248)
                                              : RGB(232, 234, 237));
    if (k == 1) {
        frame_rect(dc, x + 11, 7, 18, 14, RGB(90, 110, 140), 1);
        POINT hill[] = {{x + 12, 20}, {x + 18, 12}, {x + 22, 16}, {x + 24, 14}, {x + 28, 20}};
        win::UniqueBrush green(CreateSolidBrush(RGB(80, 160, 90)));
        win::Selected sb(dc, green.get());
        win::Selected sp(dc, GetStockObject(NULL_PEN));
        Polygon(dc, hill, 5);
        fill(dc, x + 23, 9, 3, 3, RGB(240, 180, 40));
    } else {
        fill(dc, x + 10, 9, 6, 12, RGB(220, 60, 60));
        fill(dc, x + 17, 9, 6, 12, RGB(60, 170, 90));
        fill(dc, x + 24, 9, 6, 12, RGB(60, 110, 220));
    }
}

void draw_thumbnail(HDC dc, const SkinPopupModel& m, int n) {
    const FrameRect& r = m.thumbnail_rect(n);
    // The ground first: the frames of an earlier state go.
    fill(dc, r.x, r.y, r.w, r.h, RGB(255, 255, 255));
    draw_skin_thumbnail(dc, r.x + 2, r.y + 2, r.w - 4, r.h - 4, n);
    const int s = m.thumbnail_state(n);
    if (s == kMarked || s == kMarkedHover) frame_rect(dc, r.x, r.y, r.w, r.h, kMarkFrame, 2);
    if (s == kHover || s == kMarkedHover) {
        const int inset = s == kMarkedHover ? 2 : 0;
        frame_rect(dc, r.x + inset, r.y + inset, r.w - 2 * inset, r.h - 2 * inset, kHoverFrame,
                   s == kMarkedHover ? 1 : 2);
    }
}

void draw_cell(HDC dc, const SkinPopupModel& m, int k) {
    const FrameRect& r = m.cell_rect(k);
    fill(dc, r.x, r.y, r.w, r.h, RGB(255, 255, 255));
    fill(dc, r.x + 1, r.y + 1, r.w - 2, r.h - 2, kPaletteColours[k - 1]);
    if (m.cell_state(k) != kNormal) {
        frame_rect(dc, r.x + 1, r.y, 15, 16, RGB(255, 255, 255), 1);
        frame_rect(dc, r.x + 2, r.y + 1, 13, 14, RGB(40, 40, 40), 1);
    }
}

// The whole popup composed off screen, kept for partial redraws.
void compose(HDC target) {
    Popup& p = popup();
    const SkinPopupModel& m = *p.model;
    win::UniqueMemDc dc(CreateCompatibleDC(target));
    p.composed.reset(CreateCompatibleBitmap(target, kPopupWidth, kPopupHeight));
    win::Selected sel(dc.get(), p.composed.get());
    fill(dc.get(), 0, 0, kPopupWidth, kPopupHeight, RGB(255, 255, 255));
    frame_rect(dc.get(), 0, 0, kPopupWidth - 1, kPopupHeight - 2, RGB(170, 176, 184), 1);
    fill(dc.get(), 1, 28, kPopupWidth - 6, 1, kLine);
    for (int k = 1; k <= kPopupTabs; ++k) draw_tab(dc.get(), k, m.tab_state(k));
    if (m.selected_tab() == 1) {
        for (int n = 1; n <= kThumbnails; ++n) draw_thumbnail(dc.get(), m, n);
    } else {
        for (int k = 1; k <= kColourCells; ++k) draw_cell(dc.get(), m, k);
    }
}

// Draws one element over the composed frame and puts that area on the popup.
template <typename Draw>
void redraw(const FrameRect& r, Draw draw) {
    Popup& p = popup();
    if (!p.window || !p.composed) return;
    win::WindowDc window(p.window);
    win::UniqueMemDc dc(CreateCompatibleDC(window.get()));
    win::Selected sel(dc.get(), p.composed.get());
    draw(dc.get());
    BitBlt(window.get(), r.x, r.y, r.w + 1, r.h + 1, dc.get(), r.x, r.y, SRCCOPY);
}

void apply(const PopupActions& actions) {
    Popup& p = popup();
    for (const PopupAction& a : actions) {
        if (!p.model) return;
        const SkinPopupModel& m = *p.model;
        switch (a.kind) {
            case PopupAction::Kind::RedrawTab:
                redraw(m.tab_rect(a.index), [&](HDC dc) { draw_tab(dc, a.index, m.tab_state(a.index)); });
                break;
            case PopupAction::Kind::RedrawThumbnail:
                redraw(m.thumbnail_rect(a.index), [&](HDC dc) { draw_thumbnail(dc, m, a.index); });
                break;
            case PopupAction::Kind::RedrawCell:
                redraw(m.cell_rect(a.index), [&](HDC dc) { draw_cell(dc, m, a.index); });
                break;
            case PopupAction::Kind::Repaint:
                InvalidateRect(p.window, nullptr, FALSE);
                break;
            case PopupAction::Kind::ApplySkin:
                apply_window_skin(a.index, true, 0, false);
                break;
            case PopupAction::Kind::ApplyColour:
                apply_window_skin(0, false, a.colour, true);
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
    Popup& p = popup();
    const int x = static_cast<int>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (p.model) {
                compose(dc);
                win::UniqueMemDc mem(CreateCompatibleDC(dc));
                win::Selected sel(mem.get(), p.composed.get());
                BitBlt(dc, 0, 0, kPopupWidth, kPopupHeight, mem.get(), 0, 0, SRCCOPY);
            }
            EndPaint(w, &ps);
            if (p.model) apply(p.model->painted());
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (p.model) apply(p.model->mouse_move(x, y));
            return 0;
        case WM_LBUTTONDOWN:
            if (p.model) apply(p.model->left_down(x, y));
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
    WNDCLASSA wc{};
    wc.lpfnWndProc = popup_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kPopupClass;
    RegisterClassA(&wc);
}

}  // namespace

SkinMarks& skin_marks() {
    static SkinMarks marks;
    return marks;
}

void open_skin_popup(HWND main) {
    close_skin_popup();
    register_popup_class();
    Popup& p = popup();
    p.model = std::make_unique<SkinPopupModel>(skin_marks());
    RECT r;
    GetWindowRect(main, &r);
    // Just under the skin button.
    const int left = r.left + (r.right - r.left) - 223, top = r.top + 99;
    p.window = CreateWindowExA(WS_EX_TOOLWINDOW, kPopupClass, "", WS_POPUP, left, top, kPopupWidth,
                               kPopupHeight, main, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!p.window) {
        p.model.reset();
        return;
    }
    HRGN region = CreateRoundRectRgn(0, 0, kPopupWidth - 1, kPopupHeight - 2, 4, 4);
    if (region && !SetWindowRgn(p.window, region, TRUE)) DeleteObject(region);
    ShowWindow(p.window, SW_SHOWNOACTIVATE);
}

void close_skin_popup() {
    Popup& p = popup();
    if (p.window) DestroyWindow(p.window);
    p.window = nullptr;
    p.model.reset();
    p.composed.reset();
}

}  // namespace yq
