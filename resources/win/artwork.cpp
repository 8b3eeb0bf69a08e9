#include "resources/win/artwork.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/win/handles.h"

namespace yq::art {
namespace {

using win::Selected;
using win::UniqueBrush;
using win::UniqueMemDc;
using win::UniquePen;

// A bitmap compatible with the screen and a DC drawing into it.
struct Canvas {
    Canvas(int w, int h) : w(w), h(h) {
        win::WindowDc screen(nullptr);
        dc.reset(CreateCompatibleDC(screen.get()));
        bitmap = CreateCompatibleBitmap(screen.get(), w, h);
        old = SelectObject(dc.get(), bitmap);
    }
    HBITMAP finish() {
        SelectObject(dc.get(), old);
        return bitmap;
    }
    void fill(COLORREF c) {
        RECT r{0, 0, w, h};
        UniqueBrush b(CreateSolidBrush(c));
        FillRect(dc.get(), &r, b.get());
    }
    void gradient(RECT r, COLORREF top, COLORREF bottom) {
        TRIVERTEX v[2] = {{r.left, r.top, static_cast<COLOR16>(GetRValue(top) << 8),
                           static_cast<COLOR16>(GetGValue(top) << 8),
                           static_cast<COLOR16>(GetBValue(top) << 8), 0},
                          {r.right, r.bottom, static_cast<COLOR16>(GetRValue(bottom) << 8),
                           static_cast<COLOR16>(GetGValue(bottom) << 8),
                           static_cast<COLOR16>(GetBValue(bottom) << 8), 0}};
        GRADIENT_RECT gr{0, 1};
        GradientFill(dc.get(), v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
    }
    int w, h;
    UniqueMemDc dc;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

struct Palette {
    COLORREF top, bottom, border, text;
};

Palette palette(Look look) {
    switch (look) {
        case Look::Hover:
            return {RGB(255, 255, 255), RGB(222, 238, 252), RGB(72, 140, 206), RGB(0, 60, 120)};
        case Look::Pressed:
            return {RGB(190, 215, 240), RGB(220, 235, 250), RGB(50, 110, 180), RGB(0, 40, 100)};
        case Look::Disabled:
            return {RGB(240, 240, 240), RGB(225, 225, 225), RGB(180, 180, 180), RGB(150, 150, 150)};
        case Look::Normal:
            break;
    }
    return {RGB(250, 252, 255), RGB(214, 228, 243), RGB(118, 152, 190), RGB(20, 40, 70)};
}

void rounded_border(HDC dc, int w, int h, COLORREF colour, COLORREF outside) {
    UniquePen pen(CreatePen(PS_SOLID, 1, colour));
    Selected sp(dc, pen.get());
    Selected sb(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, 0, 0, w, h, 5, 5);
    // Corners outside the rounding take the background colour.
    for (POINT p : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}}) {
        SetPixel(dc, p.x, p.y, outside);
    }
}

HFONT caption_font(int h) {
    static HFONT small = win::make_font({"宋体", -12});
    static HFONT large = win::make_font({"宋体", -14});
    return h >= 30 ? large : small;
}

void draw_face(HDC dc, bool smile) {
    Selected sb(dc, GetStockObject(NULL_BRUSH));
    UniqueBrush skin(CreateSolidBrush(smile ? RGB(255, 214, 90) : RGB(170, 200, 235)));
    UniquePen outline(CreatePen(PS_SOLID, 2, smile ? RGB(200, 140, 20) : RGB(80, 120, 170)));
    {
        Selected b(dc, skin.get());
        Selected p(dc, outline.get());
        Ellipse(dc, 3, 3, 45, 45);
    }
    UniqueBrush eye(CreateSolidBrush(RGB(60, 60, 60)));
    Selected b(dc, eye.get());
    Selected p(dc, GetStockObject(NULL_PEN));
    Ellipse(dc, 15, 16, 20, 22);
    Ellipse(dc, 28, 16, 33, 22);
    UniquePen mouth(CreatePen(PS_SOLID, 2, RGB(60, 60, 60)));
    Selected mp(dc, mouth.get());
    if (smile) {
        Arc(dc, 14, 18, 34, 36, 14, 30, 34, 30);
    } else {
        Arc(dc, 15, 30, 33, 42, 33, 36, 15, 36);
    }
}

}  // namespace

HBITMAP button_face(int w, int h, const char* caption, Look look) {
    Canvas c(w, h);
    Palette p = palette(look);
    c.fill(RGB(255, 255, 255));
    c.gradient(RECT{1, 1, w - 1, h - 1}, p.top, p.bottom);
    rounded_border(c.dc.get(), w, h, p.border, RGB(236, 236, 236));
    SetBkMode(c.dc.get(), TRANSPARENT);
    SetTextColor(c.dc.get(), p.text);
    Selected f(c.dc.get(), caption_font(h));
    RECT r{0, look == Look::Pressed ? 1 : 0, w, h};
    DrawTextA(c.dc.get(), caption, static_cast<int>(std::strlen(caption)), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return c.finish();
}

win::ButtonFaces button_faces(int w, int h, const char* caption) {
    return {button_face(w, h, caption, Look::Normal), button_face(w, h, caption, Look::Hover),
            button_face(w, h, caption, Look::Pressed), button_face(w, h, caption, Look::Disabled)};
}

HBITMAP edit_frame(int w, int h) {
    Canvas c(w, h);
    c.fill(RGB(255, 255, 255));
    rounded_border(c.dc.get(), w, h, RGB(150, 170, 195), kTransparentKey);
    return c.finish();
}

HBITMAP sad_face() {
    Canvas c(48, 48);
    c.fill(kTransparentKey);
    draw_face(c.dc.get(), false);
    return c.finish();
}

HBITMAP smile_face() {
    Canvas c(48, 48);
    c.fill(kTransparentKey);
    draw_face(c.dc.get(), true);
    return c.finish();
}

HBITMAP search_icon(Look look) {
    Canvas c(16, 18);
    c.fill(RGB(255, 255, 255));
    COLORREF ink =
        look == Look::Hover || look == Look::Pressed ? RGB(40, 110, 200) : RGB(90, 110, 140);
    UniquePen pen(CreatePen(PS_SOLID, 2, ink));
    Selected sp(c.dc.get(), pen.get());
    Selected sb(c.dc.get(), GetStockObject(NULL_BRUSH));
    Ellipse(c.dc.get(), 2, 3, 11, 12);
    MoveToEx(c.dc.get(), 10, 11, nullptr);
    LineTo(c.dc.get(), 14, 15);
    return c.finish();
}

HBITMAP category_face(CategoryFace face) {
    Canvas c(63, 23);
    c.fill(RGB(255, 255, 255));
    COLORREF top, bottom;
    switch (face) {
        case CategoryFace::Hover:
            top = RGB(255, 255, 255), bottom = RGB(240, 246, 252);
            break;
        case CategoryFace::Selected:
            top = RGB(176, 198, 222), bottom = RGB(146, 172, 204);
            break;
        case CategoryFace::Normal:
        default:
            top = RGB(232, 239, 247), bottom = RGB(208, 221, 236);
            break;
    }
    c.gradient(RECT{1, 1, 62, 22}, top, bottom);
    rounded_border(c.dc.get(), 63, 23, RGB(132, 156, 186), RGB(255, 255, 255));
    return c.finish();
}

HBITMAP row_action_face(RowAction action) {
    Canvas c(63, 23);
    c.fill(RGB(255, 255, 255));
    bool greyed = action == RowAction::Installed;
    bool pressed = action == RowAction::Download;
    COLORREF top = greyed ? RGB(242, 242, 242) : pressed ? RGB(196, 222, 250) : RGB(250, 252, 255);
    COLORREF bottom = greyed    ? RGB(222, 222, 222)
                      : pressed ? RGB(222, 238, 252)
                                : RGB(206, 226, 248);
    c.gradient(RECT{1, 1, 62, 22}, top, bottom);
    rounded_border(c.dc.get(), 63, 23, greyed ? RGB(176, 176, 176) : RGB(64, 128, 200),
                   RGB(255, 255, 255));
    HDC dc = c.dc.get();
    if (!greyed) {
        // A blue down arrow at the left.
        win::UniqueBrush blue(CreateSolidBrush(RGB(30, 110, 220)));
        win::Selected sb(dc, blue.get());
        win::Selected sp(dc, GetStockObject(NULL_PEN));
        int y0 = pressed ? 5 : 4;
        RECT stem{10, y0, 14, y0 + 7};
        FillRect(dc, &stem, blue.get());
        POINT head[3] = {{6, y0 + 7}, {18, y0 + 7}, {12, y0 + 14}};
        Polygon(dc, head, 3);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, greyed ? RGB(140, 140, 140) : RGB(20, 60, 120));
    Selected f(dc, caption_font(23));
    const char* text = action == RowAction::Install ? "安装" : pressed ? "下载" : "已安装";
    RECT r{greyed ? 0 : 18, pressed ? 1 : 0, 63, 23};
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return c.finish();
}

HBITMAP spinner_frame(int k) {
    // Twelve dots on a ring; the dot at the head of frame k is the darkest and
    // the ones behind it fade, so stepping the frames turns the ring.
    Canvas c(16, 16);
    c.fill(RGB(255, 255, 255));
    HDC dc = c.dc.get();
    win::Selected sp(dc, GetStockObject(NULL_PEN));
    for (int i = 0; i < 12; ++i) {
        int age = ((k - 1) - i + 12) % 12;  // 0: head
        int fade = age * 18;
        COLORREF colour = RGB(std::min(255, 0 + fade), std::min(255, 170 + fade / 3),
                              std::min(255, 200 + fade / 4));
        win::UniqueBrush b(CreateSolidBrush(colour));
        win::Selected sb(dc, b.get());
        double a = i * 3.14159265358979 / 6.0;
        int cx = 8 + static_cast<int>(std::lround(5.5 * std::sin(a)));
        int cy = 8 - static_cast<int>(std::lround(5.5 * std::cos(a)));
        int r = age < 3 ? 2 : 1;
        Ellipse(dc, cx - r, cy - r, cx + r + 1, cy + r + 1);
    }
    return c.finish();
}

}  // namespace yq::art
