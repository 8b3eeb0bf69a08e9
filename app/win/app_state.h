// Process-wide state of the program, created zeroed before the main window
// exists and released by the exit clean-up. Touched only on the UI thread;
// workers go through win::run_on_ui.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "app/control_design.h"
#include "skin/skin_model.h"

namespace yq {

struct SkinTab {
    RECT rect;  // left, top, right, bottom in main-window client pixels
    int state;  // 0 normal, 1 hover, 2 selected, 5 inert
    const char* caption;
    float caption_x, caption_y;
};

struct CaptionButton {
    RECT rect;
    int state;  // 0 normal, 1 hover, 2 pressed (button 6: popup open)
};

struct AppState {
    std::string server_url;  // catalogue server base URL, no trailing slash
    ULONG_PTR graphics_token = 0;
    HWND main = nullptr;
    HWND page_control = nullptr;  // 选择夹1
    int current_page = 1;
    std::array<HWND, kPageCount> pages{};
    std::array<HWND, kControlEnd - kFirstControl> controls{};
    HWND web_page_window = nullptr;

    SkinState skin;
    int control_press = 0;
    std::array<SkinTab, 9> tabs{};
    std::array<CaptionButton, 6> caption_buttons{};
    Colour status_colour = 0;
    std::string status_text;

    std::array<int, 5> row_button_tops{};
    int listing_order = 0;
    std::string font_name_list;
    int backup_list_loaded = 0;
};

extern AppState g_app;

// The window of a design control.
inline HWND ctl(Ctl id) {
    return g_app.controls[id - kFirstControl];
}

// Program directory helpers live in settings.h (program_directory()).

}  // namespace yq
