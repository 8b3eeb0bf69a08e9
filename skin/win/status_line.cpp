#include "skin/win/status_line.h"

#include "base/text.h"
#include "platform/win/gdiplus.h"
#include "platform/win/handles.h"

namespace yq {

StatusLine::StatusLine(HWND window, const SkinState& skin) : window_(window), skin_(skin) {}

void StatusLine::set_text(const std::string& text, bool draw_now) {
    text_ = text;
    if (draw_now) redraw();
}

void StatusLine::redraw() {
    draw(colour_, true);
}

void StatusLine::follow_skin() {
    colour_ = skin_.text_colour;
}

void StatusLine::draw(Colour colour, bool keep) {
    const SkinState& skin = skin_;
    colour_ = keep ? colour : skin.text_colour;
    HWND w = window_;
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
    Colour bg = skin.frame_colour, fg = colour_;
    {
        Gdiplus::Graphics g(dc.get());
        Gdiplus::SolidBrush back(Gdiplus::Color(255, GetRValue(bg), GetGValue(bg), GetBValue(bg)));
        g.FillRectangle(&back, 0, 0, sw, sh);
        std::u16string text = gbk_to_utf16(text_);
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
            TextOutA(dc.get(), 0, 0, text_.c_str(), static_cast<int>(text_.size()));
        }
    }
    BitBlt(window.get(), 6, H - 21, sw, sh, dc.get(), 0, 0, SRCCOPY);
}

}  // namespace yq
