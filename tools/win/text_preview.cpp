#include "tools/win/text_preview.h"

#include "platform/win/controls.h"
#include "platform/win/dialogs.h"
#include "platform/win/handles.h"
#include "tools/text_preview_model.h"
#include "tools/win/picture_reencode.h"
#include "tools/win/preview_fetch.h"

namespace yq {

void TextPreview::show_picture(HBITMAP bitmap) {
    win::set_label_picture(controls_.picture_label, bitmap);
    picture_.reset(bitmap);
    InvalidateRect(controls_.picture_label, nullptr, TRUE);
}

TextPreview::TextPreview(const TextPreviewControls& controls, std::string server,
                         std::function<std::string(int row)> entry_font)
    : controls_(controls), server_(std::move(server)), entry_font_(std::move(entry_font)) {
    for (int k = 0; k < 5; ++k)
        win::on_click(controls.buttons[k], [this, k] { preview_entry(k + 1); });
}

void TextPreview::preview_entry(int row) {
    const TextPreviewControls& c = controls_;
    const std::string text = win::caption(c.text_box), size = win::caption(c.size_box);
    if (!previewable_text(text)) return;
    if (!previewable_size(size)) {
        win::message_box("字体大小只能在6-30之间!");
        return;
    }
    const std::string font = entry_font_ ? entry_font_(row) : "";
    // The wait cursor while the server renders; the next move of the mouse
    // after the answer puts the window's own cursor back.
    HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const std::string body =
        fetch_preview(preview_url(server_, text, size, font), kPreviewTimeoutMs);
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
