#include "catalogue/win/status_line.h"

#include <windows.h>
// GDI+ wants min/max in scope.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include "app/win/app_state.h"
#include "base/text.h"
#include "platform/win/handles.h"

namespace yq {

void draw_status_line(Colour colour, bool keep) {
    g_app.status_colour = keep ? colour : g_app.skin.text_colour;
    HWND w = g_app.main;
    if (!w) return;
    RECT wr;
    GetWindowRect(w, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top;
    int sw = W - 17, sh = 15;
    if (sw <= 0) return;
    win::WindowDc window(w);
    win::UniqueMemDc dc(CreateCompatibleDC(window.get()));
    win::UniqueBitmap bmp(CreateCompatibleBitmap(window.get(), sw, sh));
    win::Selected sel(dc.get(), bmp.get());
    Colour bg = g_app.skin.frame_colour, fg = g_app.status_colour;
    {
        Gdiplus::Graphics g(dc.get());
        Gdiplus::SolidBrush back(Gdiplus::Color(255, GetRValue(bg), GetGValue(bg), GetBValue(bg)));
        g.FillRectangle(&back, 0, 0, sw, sh);
        std::u16string text = gbk_to_utf16(g_app.status_text);
        Gdiplus::FontFamily family(L"宋体");
        if (!text.empty() && family.GetLastStatus() == Gdiplus::Ok) {
            Gdiplus::Font font(&family, 13, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
            Gdiplus::SolidBrush ink(
                Gdiplus::Color(255, GetRValue(fg), GetGValue(fg), GetBValue(fg)));
            g.DrawString(reinterpret_cast<const WCHAR*>(text.c_str()),
                         static_cast<INT>(text.size()), &font, Gdiplus::PointF(0, 0), &ink);
        } else if (!text.empty()) {
            // No 宋体 family for GDI+: draw with GDI, which falls back by itself.
            win::UniqueFont font(CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0,
                                             DEFAULT_QUALITY, 0, "宋体"));
            win::Selected sf(dc.get(), font.get());
            SetBkMode(dc.get(), TRANSPARENT);
            SetTextColor(dc.get(), fg);
            TextOutA(dc.get(), 0, 0, g_app.status_text.c_str(),
                     static_cast<int>(g_app.status_text.size()));
        }
    }
    BitBlt(window.get(), 6, H - 21, sw, sh, dc.get(), 0, 0, SRCCOPY);
}

}  // namespace yq
