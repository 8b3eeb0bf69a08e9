#include "skin/win/header_art.h"

#include "platform/win/handles.h"
#include "skin/skin_model.h"

namespace yq {

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
        {W, kHeaderBandHeight, static_cast<COLOR16>(GetRValue(bottom) << 8),
         static_cast<COLOR16>(GetGValue(bottom) << 8), static_cast<COLOR16>(GetBValue(bottom) << 8),
         0}};
    GRADIENT_RECT gr{0, 1};
    GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
    win::UniquePen ring(CreatePen(PS_SOLID, 1, mix(base, RGB(255, 255, 255), 55)));
    win::Selected sp(dc, ring.get());
    win::Selected sb(dc, GetStockObject(NULL_BRUSH));
    // The rings stay right of the page tabs.
    win::UniqueRegion clip(CreateRectRgn(420, 0, W, kHeaderBandHeight));
    SelectClipRgn(dc, clip.get());
    for (int i = 0; i < 4; ++i) {
        int r = 40 + 38 * i + 9 * picture, cx = W - 90 - 23 * picture, cy = 10 + 7 * i;
        Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    }
    SelectClipRgn(dc, nullptr);
}

void draw_skin_thumbnail(HDC dc, int x, int y, int w, int h, int n) {
    SkinState skin;
    apply_skin(skin, n, true, 0, false);
    // Drawn at the window's width and shrunk, so the thumbnail shows the
    // header as the window does.
    constexpr int kFullWidth = 840, kFullHeight = kHeaderBandHeight + 30;
    win::UniqueMemDc full(CreateCompatibleDC(dc));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(dc, kFullWidth, kFullHeight));
    win::Selected sel(full.get(), bmp.get());
    RECT band{0, 0, kFullWidth, kHeaderBandHeight}, rest{0, kHeaderBandHeight, kFullWidth,
                                                          kFullHeight};
    if (n == 1) {
        win::UniqueBrush b(CreateSolidBrush(skin.header_colour));
        FillRect(full.get(), &band, b.get());
    } else {
        draw_header_picture(full.get(), kFullWidth, skin.picture);
    }
    win::UniqueBrush frame(CreateSolidBrush(skin.frame_colour));
    FillRect(full.get(), &rest, frame.get());
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, x, y, w, h, full.get(), 0, 0, kFullWidth, kFullHeight, SRCCOPY);
}

}  // namespace yq
