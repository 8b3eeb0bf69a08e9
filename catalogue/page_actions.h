// What the catalogue page's models ask the Win32 side to do, in order.
//
// The category view and the list model decide; the Win32 shell walks the
// action list front to back and applies each action as it comes (drawing,
// showing and hiding controls, message boxes, starting a download). Order
// matters: a message box comes between drawing steps exactly where it is
// listed, and every row drawing copies the whole buffer onto the visible panel.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "platform/sfnt/licence.h"

namespace yq {

// What the button area of a list row shows.
enum class RowButtonLook : uint8_t {
    None,            // a slot that was never loaded: nothing in the button area
    Install,         // 安装 button (install-button state normal or hover)
    InstallPressed,  // 下载 button (install-button state pressed)
    Installed,       // greyed 已安装 button
    Downloading,     // spinner frame plus percentage text, no button
};

// Everything needed to draw one list row into the buffer (list_geometry.h has
// the positions relative to `top`). After drawing, the shell copies the whole
// buffer onto the visible panel at (0, 0) and shows the row's preview button
// (the 预览 button beside each row, 1 to 5).
struct RowDrawing {
    int row = 0;  // 1..5
    int top = 0;  // (row - 1) * 50
    bool highlighted = false;
    std::shared_ptr<const Bytes> picture;  // unpacked image file; null or empty: no picture
    std::string font_name;
    std::optional<LicenceClass> licence;  // its caption in small text beside the name, when known
    RowButtonLook button = RowButtonLook::None;
    int spinner_frame = 0;        // 1..12, only with Downloading
    std::string percentage_text;  // "下载中:" + percentage + "%", only with Downloading
};

// The three faces of a category button.
enum class CategoryLook : uint8_t { Normal, Hover, Selected };

// One category button: its face stretched to 64 x 23 at (x, y), then its
// name written at (text_x, text_y) in the default GUI font, black, transparent.
struct CategoryButtonDrawing {
    int index = 0;  // 1-based category index
    CategoryLook look = CategoryLook::Normal;
    int x = 0, y = 0;
    int text_x = 0, text_y = 0;
    std::string text;  // the name as listed, centre padding included
};

struct PageAction {
    enum class Kind : uint8_t {
        ClearListBuffer,     // clear 后台画板
        ClearListPanel,      // clear 前台画板
        ClearCategoryPanel,  // clear 分类画板
        SetPageIndicator,    // the page indicator's caption = text
        HidePreviewButtons,  // hide the rows' 预览 buttons
        ShowTextPreview,     // show the text preview's boxes, picture and labels
        HideTextPreview,     // hide the same six controls
        ShowMessage,         // plain message box with text, OK button, default caption
        DrawRow,             // row drawing (see RowDrawing)
        DrawCategoryButton,  // category button drawing (see CategoryButtonDrawing)
        StartDownload,       // start the download of slot `row`: text = font name, address
    };
    Kind kind{};
    std::string text;
    std::string address;           // StartDownload only
    int row = 0;                   // StartDownload only
    RowDrawing drawing;            // DrawRow only
    CategoryButtonDrawing button;  // DrawCategoryButton only
};

using PageActions = std::vector<PageAction>;

}  // namespace yq
