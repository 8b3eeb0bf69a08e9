// The remote text preview on the catalogue page: the five buttons beside
// the list rows each show the row's font drawing the typed text, rendered
// by the server's /text.php, in the picture label above the list. UI thread only.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/win/handles.h"

namespace yq {

struct TextPreviewControls {
    HWND text_box;                // the text
    HWND size_box;                // the size
    HWND picture_label;           // the picture, or the failure caption
    std::array<HWND, 5> buttons;  // 预览, beside list rows 1..5
};

// How long a preview waits for the server before it reports a failure.
inline constexpr unsigned kPreviewTimeoutMs = 15000;

// The preview: made once when the main window is wired and owned by it.
class TextPreview {
  public:
    // `server` is the catalogue server's base URL; `entry_font` gives the
    // font name of list row 1..5 ("" when the row is empty).
    TextPreview(const TextPreviewControls& controls, std::string server,
                std::function<std::string(int row)> entry_font);
    TextPreview(const TextPreview&) = delete;
    TextPreview& operator=(const TextPreview&) = delete;

    // The preview of list row 1..5, as its button's click runs it.
    void preview_entry(int row);

  private:
    void show_picture(HBITMAP bitmap);

    const TextPreviewControls controls_;
    const std::string server_;
    const std::function<std::string(int)> entry_font_;
    win::UniqueBitmap picture_;  // what the picture label shows; the label does not own it
};

}  // namespace yq
