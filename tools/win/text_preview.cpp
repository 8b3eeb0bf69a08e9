#include "tools/win/text_preview.h"

#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/handles.h"
#include "tools/text_preview_model.h"
#include "tools/win/picture_reencode.h"
#include "tools/win/preview_fetch.h"

namespace yq {
namespace {

struct TextPreview {
    TextPreviewControls controls{};
    std::string server;
    std::function<std::string(int)> entry_font;
    win::UniqueBitmap picture;  // what the picture label shows; the label does not own it
};

TextPreview& state() {
    static TextPreview p;
    return p;
}

void show_picture(HBITMAP bitmap) {
    TextPreview& p = state();
    win::set_label_picture(p.controls.picture_label, bitmap);
    p.picture.reset(bitmap);
    InvalidateRect(p.controls.picture_label, nullptr, TRUE);
}

}  // namespace

void wire_text_preview(const TextPreviewControls& controls, const std::string& server,
                       std::function<std::string(int row)> entry_font) {
    TextPreview& p = state();
    p.controls = controls;
    p.server = server;
    p.entry_font = std::move(entry_font);
    for (int k = 0; k < 5; ++k) win::on_click(controls.buttons[k], [k] { preview_entry(k + 1); });
}

void preview_entry(int row) {
    TextPreview& p = state();
    const TextPreviewControls& c = p.controls;
    const std::string text = win::caption(c.text_box), size = win::caption(c.size_box);
    if (!previewable_text(text)) return;
    if (!previewable_size(size)) {
        win::message_box("字体大小只能在6-30之间!");
        return;
    }
    const std::string font = p.entry_font ? p.entry_font(row) : "";
    // The wait cursor while the server renders; the next move of the mouse
    // after the answer puts the window's own cursor back.
    HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const std::string body =
        fetch_preview(preview_url(p.server, text, size, font), kPreviewTimeoutMs);
    SetCursor(before);
    const std::string bmp = reencode_picture(body, PictureFormat::Bmp);
    HBITMAP bitmap = bmp.empty() ? nullptr : bitmap_from_bmp(bmp);
    if (bitmap) {
        win::set_caption(c.picture_label, "");
        show_picture(bitmap);
    } else {
        win::set_caption(c.picture_label, "远程读取失败!");
        show_picture(nullptr);
    }
}

}  // namespace yq
