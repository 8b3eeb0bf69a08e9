#include "skin/win/status_line.h"

#include "base/text.h"
#include "platform/win/gdiplus.h"
#include "platform/win/handles.h"
#include "skin/win/frame.h"

namespace yq {
namespace {

struct StatusLine {
    std::string text;
    Colour colour = 0;
};

StatusLine& line() {
    static StatusLine s;
    return s;
}

}  // namespace

void set_status_text(const std::string& text, bool draw) {
    line().text = text;
    if (draw) redraw_status_line();
}

const std::string& status_text() {
    return line().text;
}

void redraw_status_line() {
    draw_status_line(line().colour, true);
}

void status_line_follows_skin() {
    line().colour = window_skin().text_colour;
}

void draw_status_line(Colour colour, bool keep) {
    StatusLine& s = line();
    const SkinState& skin = window_skin();
    s.colour = keep ? colour : skin.text_colour;
    HWND w = frame_window();
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
    Colour bg = skin.frame_colour, fg = s.colour;
    {
        Gdiplus::Graphics g(dc.get());
        Gdiplus::SolidBrush back(Gdiplus::Color(255, GetRValue(bg), GetGValue(bg), GetBValue(bg)));
        g.FillRectangle(&back, 0, 0, sw, sh);
        std::u16string text = gbk_to_utf16(s.text);
        Gdiplus::FontFamily family(L"宋体");
        if (!text.empty() && family.GetLastStatus() == Gdiplus::Ok) {
            Gdiplus::Font font(&family, 13, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
            Gdiplus::SolidBrush ink(
                Gdiplus::Color(255, GetRValue(fg), GetGValue(fg), GetBValue(fg)));
            g.DrawString(reinterpret_cast<const WCHAR*>(text.c_str()),
                         static_cast<INT>(text.size()), &font, Gdiplus::PointF(0, 0), &ink);
        } else if (!text.empty()) {
            // No 宋体 family for GDI+: draw with GDI, which falls back by itself.
            win::UniqueFont font(win::make_font({"宋体", -13}));
            win::Selected sf(dc.get(), font.get());
            SetBkMode(dc.get(), TRANSPARENT);
            SetTextColor(dc.get(), fg);
            TextOutA(dc.get(), 0, 0, s.text.c_str(), static_cast<int>(s.text.size()));
        }
    }
    BitBlt(window.get(), 6, H - 21, sw, sh, dc.get(), 0, 0, SRCCOPY);
}

}  // namespace yq
